// zoltgw_run.cpp - the run sequence of a request, from configuration to output.
// Interim: the configuration, parameter and database steps are being built; until
// they are, every request ends in the error page that says so.

#include "entry/zoltgw.h"

void zoltgw::run(int commandLineModeArgument) {
    commandLineMode = commandLineModeArgument;
    errorText = "(S) Request handling is not available in this build";
    status = -1;
    printStatusPage();
}
