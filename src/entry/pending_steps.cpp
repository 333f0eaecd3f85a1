// pending_steps.cpp - the steps of a request that this build does not have yet: the
// binary field. A request that
// reaches one of them ends with the error page saying so, plainly; each step's file
// replaces its definition here when it is built.

#include <string>

#include "entry/zoltgw.h"

namespace {

// Sets the error fields for a step this build lacks; returns -1.
int stepNotAvailable(zoltgw& gw, const char* step) {
    return gw.failStep(std::string("(S) ") + step + " not available in this build", 0, nullptr);
}

}  // namespace

void zoltgw::outputZoltbin() {
    stepNotAvailable(*this, "Binary field output is");
    printStatusPage();
}
