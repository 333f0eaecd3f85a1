// search_state.cpp - what the template reads of the search's state: the fields of the
// controller's Search, read and set here only.

#include "template/search_state.h"

#include "entry/zoltgw.h"

int searchStatus(const zoltgw& gw) { return gw.search.searchStatus; }
bool sortFailed(const zoltgw& gw) { return gw.search.sortFailed != 0; }
int missingRecordId(const zoltgw& gw) { return gw.search.recordNotFoundId; }
bool clusterRecord(const zoltgw& gw) { return gw.search.clusterRecord != 0; }
void markHitListShown(zoltgw& gw) { gw.search.hitListShown = true; }

void chooseErrorTemplate(zoltgw& gw) {
    gw.search.searchStatus = -1;
    gw.findresult.htmlTemplate = gw.findresult.snHtmlTemplate;
}
