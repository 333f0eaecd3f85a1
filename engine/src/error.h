// error.h - EngineError, the one exception type inside the engine, and the debug output.
// Every failure inside the engine is thrown as an EngineError and caught once, at
// the C interface, where it becomes the call's code; nothing else crosses that line.
#pragma once

#include <stdexcept>
#include <string>

namespace zdb {

// A failure with its even code and the text that replaces %1 in its message.
// `detail` is for the debug output only (SQLite's own text, paths): never shown in a page.
class EngineError : public std::runtime_error {
public:
    EngineError(int code, std::string argument = {}, std::string detail = {})
        : std::runtime_error(detail.empty() ? argument : detail),
          code_(code), argument_(std::move(argument)), detail_(std::move(detail)) {}
    int code() const { return code_; }
    const std::string& argument() const { return argument_; }
    const std::string& detail() const { return detail_; }

private:
    int code_;
    std::string argument_;
    std::string detail_;
};

// Writes one line to the engine's debug output: the file that the symbol ZDBS_LOG
// names, else standard error (the web server's error log for a CGI process).
void debugLine(const std::string& text);

}  // namespace zdb
