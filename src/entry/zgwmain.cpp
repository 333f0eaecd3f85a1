// zgwmain.cpp - the process entry with the real controller.

#include "entry/zgwmain.h"

#include "entry/entry_steps.h"
#include "entry/zoltgw.h"

int zgwmain(int argc, char** argv) { return zgwmainWith<zoltgw>(argc, argv); }
