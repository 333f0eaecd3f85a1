// session_message_fallback.cpp - Zolt::errorMessage for builds in which the session
// object's own definition (src/db) is not there yet. Weak: the session's definition
// replaces it at link time; remove this file once that definition exists.

#include <algorithm>
#include <cstring>

#include "db/zolt.h"

__attribute__((weak)) const char* Zolt::errorMessage() {
    std::string_view text;
    if (messageLevel == 2) {
        switch (engineError) {
            case 194: case 226: case 227: text = msgNoHits.view(); break;
            case 162: case 322: case 8290: case 8418: case 9634: case 9666: case 10306:
            case 12998: case 15840: case 16418: case 16450: case 16512: case 34435:
                text = msgLogin.view(); break;
            default: text = msgOther.view();
        }
        std::size_t n = std::min(text.size(), sizeof messageText - 1);
        std::memcpy(messageText, text.data(), n);
        messageText[n] = '\0';
        return messageText;
    }
    messageText[0] = '\0';
    int length = static_cast<int>(sizeof messageText) - 1;
    ZdbMessage(engineError, messageText, &length);
    messageText[sizeof messageText - 1] = '\0';
    return messageText;
}
