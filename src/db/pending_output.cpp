// pending_output.cpp - the session's record view, which this build does not have yet:
// it fails like an engine call that is not available and writes nothing (the caller
// reports the missing step). The view's own file replaces this definition.

#include "db/zolt.h"

void Zolt::outputViewBlob(const char*, const char*, int, const char*, const char*, const char*) {
    engineError = ZDB_NOT_AVAILABLE;
    state = -1;
}
