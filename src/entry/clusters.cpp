// clusters.cpp - the request's table of numbered database names: a hit record of a
// cluster search is named by its record id and the number of its database here.
// Numbers are handed out 1, 2, 3 ... in order of first registration.

#include "entry/zoltgw.h"

int zoltgw::createClusterByName(std::string_view name) {
    for (const auto& pair : clusters)
        if (pair->value.view() == name) return pair->key;
    ++clusterCount;
    setByNumber(clusters, clusterCount, StrBuf(name));
    return clusterCount;
}

const char* zoltgw::getClusterByNumber(int number) {
    for (const auto& pair : clusters)
        if (pair->key == number) return pair->value.c_str();
    return "error in clusters";
}
