// search_state.h - what the template reads of the search's state and record reading:
// the outcome of a failed search, the sort failure, the saved record that is gone, the
// cluster-record flag and the hit-list flag. One place where the template meets the
// search, so that neither reaches into the other's fields.
#pragma once

class zoltgw;

// Result of a failed search that chose the error template (0 when none failed).
int searchStatus(const zoltgw& gw);
// True when the sort failed and the error template was chosen.
bool sortFailed(const zoltgw& gw);
// Id of the saved record that record reading no longer found; 0 when none.
int missingRecordId(const zoltgw& gw);
// Chooses the error template after a missing record (searchStatus -1, htmlTemplate).
void chooseErrorTemplate(zoltgw& gw);
// True when the current record came from a database of a cluster.
bool clusterRecord(const zoltgw& gw);
// Records that a hit list has been shown (record reading then finds records by id).
void markHitListShown(zoltgw& gw);
