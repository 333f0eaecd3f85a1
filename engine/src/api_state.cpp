// api_state.cpp - last code and message variables. The most recent of "the engine's
// own argument for this code" and "the caller's variable" fills a message, so a
// variable set by the caller after a failure is never hidden by an older argument.

#include "api_state.h"

#include <cstring>
#include <cstdint>

namespace zdb {
namespace {

struct MessageVariables {
    int lastCode = ZDB_OK;
    int failureCode = 0;
    std::string failureArgument;
    uint64_t failureStamp = 0;
    std::string text;
    uint64_t textStamp = 0;       // 0: unset
    int integer = 0;
    uint64_t integerStamp = 0;    // 0: unset
    uint64_t clock = 0;
    uint64_t calls = 0;           // calls of the interface so far
};

// The one set of variables of this process.
MessageVariables& state() {
    static MessageVariables variables;
    return variables;
}

}  // namespace

void setLastCode(int code) { state().lastCode = code; }

int lastCode() { return state().lastCode; }

uint64_t countCall() { return ++state().calls; }

uint64_t currentCall() { return state().calls; }

int recordFailure(const EngineError& error) {
    MessageVariables& s = state();
    s.lastCode = error.code();
    s.failureCode = error.code();
    s.failureArgument = error.argument();
    s.failureStamp = ++s.clock;
    // Faults of the installation go to the debug output; a user's own mistakes do not.
    bool fault = error.code() == kInternalError || error.code() == kDatabaseFormat ||
                 error.code() == kDatabaseBusy || error.code() == kDatabaseReadOnly ||
                 error.code() == kNoSystemDatabase || error.code() == kSessionFileFailed;
    if (fault)
        debugLine("code " + std::to_string(error.code()) + ": " +
                  (error.detail().empty() ? std::string(error.what()) : error.detail()));
    return error.code();
}

std::string messageArgument(int code) {
    const MessageVariables& s = state();
    bool own = s.failureCode == code && s.failureStamp > s.textStamp && s.failureStamp > s.integerStamp;
    if (own) return s.failureArgument;
    if (s.textStamp) return s.text;
    if (s.integerStamp) return std::to_string(s.integer);
    return s.failureCode == code ? s.failureArgument : std::string();
}

void setTextVariable(std::string utf8) {
    MessageVariables& s = state();
    s.text = std::move(utf8);
    s.textStamp = ++s.clock;
}

void setIntegerVariable(int value) {
    MessageVariables& s = state();
    s.integer = value;
    s.integerStamp = ++s.clock;
}

bool copyOut(std::string_view text, char* buffer, size_t size) {
    if (!buffer || size < text.size() + 1) return false;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return true;
}

}  // namespace zdb
