// search_state.cpp - what the template reads of the search's state. This build has no
// search yet (doFind ends every request that asks for one), so no search failed, no
// sort failed, no saved record went missing and no record came from a cluster; these
// read the search's own fields once it exists.

#include "template/search_state.h"

int searchStatus(const zoltgw&) { return 0; }
bool sortFailed(const zoltgw&) { return false; }
int missingRecordId(const zoltgw&) { return 0; }
void chooseErrorTemplate(zoltgw&) {}
bool clusterRecord(const zoltgw&) { return false; }
void markHitListShown(zoltgw&) {}
