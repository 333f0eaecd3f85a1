// zgwmain.cpp - the process entry (version switch only; the request path follows).

#include "entry/zgwmain.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr const char* kVersion = "3.5-13";
}

int zgwmain(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "-V") == 0 || std::strcmp(argv[1], "-v") == 0)) {
        std::printf("ZOLTgate version %s\n", kVersion);
        return 0;
    }
    std::fprintf(stderr, "zoltgate: request handling is not built yet\n");
    return 1;
}
