// cgi_process.h - runs a program as a web server runs a CGI program: given arguments,
// a clean environment of given variables, given standard-input bytes; captures standard
// output, standard error and the exit status. The sanitizers' option variables pass
// through with an exit code of their own, so that a sanitizer report can never pass for
// the program's status 1.
// Invariant: both output pipes are drained while the input is written, so a program
// that writes a lot before it reads everything can never deadlock the run.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct CgiRun {
    std::string program;                                       // path of the executable
    std::vector<std::string> arguments;                        // after the program name
    std::vector<std::pair<std::string, std::string>> environment;  // the only variables set
    std::string input;                                         // bytes on standard input
    std::string workingDirectory;                              // "" : the caller's
};

struct CgiResult {
    std::string out;     // standard output
    std::string err;     // standard error
    int status = -1;     // exit status; -1 when the program did not exit normally
    bool timedOut = false;  // killed after 60 seconds
};

// Runs the program to its end (or its timeout) and returns what it wrote.
CgiResult runCgi(const CgiRun& run);

// The path of the gateway program of this build.
std::string zoltgatePath();
