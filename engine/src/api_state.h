// api_state.h - what the C interface keeps between calls whether or not a session
// runs: the code of the last call (ZdbRetCode) and the variables of messages.
// Every C call runs its body through guarded(): an EngineError or any other
// exception becomes an even code here, never an exception across the C line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <string_view>

#include "codes.h"
#include "error.h"

namespace zdb {

void setLastCode(int code);
int lastCode();
// Counts a call of the interface; the serial number of the call running now.
uint64_t countCall();
uint64_t currentCall();
// Records a failure: its code becomes the last code, its argument fills its message.
int recordFailure(const EngineError& error);
// The text that replaces "%1" in the message of `code` (UTF-8).
std::string messageArgument(int code);
void setTextVariable(std::string utf8);
void setIntegerVariable(int value);
// Copies `text` and a NUL into `buffer` of `size` bytes; false (nothing written) when too small.
bool copyOut(std::string_view text, char* buffer, size_t size);

// Runs `body`, whose int result is the call's code.
template <typename Body> int guarded(Body&& body) {
    countCall();
    try {
        int code = body();
        setLastCode(code);
        return code;
    } catch (const EngineError& error) {
        return recordFailure(error);
    } catch (const std::bad_alloc&) {
        return recordFailure(EngineError(kInternalError, {}, "out of memory"));
    } catch (const std::exception& error) {
        return recordFailure(EngineError(kInternalError, {}, error.what()));
    }
}

// Runs `body`, whose int result is the call's value (ZdbRetCode then gives ZDB_OK);
// on failure the result is `onError` and ZdbRetCode gives the failure's code.
template <typename Body> int guardedValue(int onError, Body&& body) {
    countCall();
    try {
        int value = body();
        setLastCode(ZDB_OK);
        return value;
    } catch (const EngineError& error) {
        recordFailure(error);
    } catch (const std::bad_alloc&) {
        recordFailure(EngineError(kInternalError, {}, "out of memory"));
    } catch (const std::exception& error) {
        recordFailure(EngineError(kInternalError, {}, error.what()));
    }
    return onError;
}

}  // namespace zdb
