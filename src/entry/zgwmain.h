// zgwmain.h - the process entry: prepares the process, reads the request and
// the login cookies, runs the controller, writes the login form when required.
#pragma once

// Runs one request (or -V); returns the process exit status: 0 after -V, else 1.
int zgwmain(int argc, char** argv);
