// zolt.cpp - construction and destruction of the session object.
// The destructor ends the engine session once per process, whatever happened.

#include "db/zolt.h"

Zolt::Zolt() = default;

StrBuf& Zolt::lastRecordBase() {
    static StrBuf base;
    return base;
}

int& Zolt::sessionsStarted() {
    static int count = 0;
    return count;
}

Zolt::~Zolt() {
    if (recordControl) ZdbDeleteRecordControl(&recordControl);
    int& started = sessionsStarted();
    if (started > 0 && --started == 0) ZdbEndZdbs(0);
}
