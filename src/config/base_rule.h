// base_rule.h - the client access rules of the BASE NOTE and BASE ADDRESS lines,
// filed by application name. A rule made for a line is shared by every name the
// line lists; at most kMaxNames names carry rules, numbered in order of appearance.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "cgi/ptr_array.h"
#include "cgi/strbuf.h"

struct BaseRule {
    // ADDRESS admits matching clients; NOTE redirects refused ones.
    enum Kind : int { kAddress = 0, kNote = 1 };

    Kind kind = kAddress;
    StrBuf note;       // NOTE: the URL refused clients are sent to
    StrBuf address;    // ADDRESS: client address pattern, four dot-separated parts
    StrBuf user;       // ADDRESS: user for matching clients (may be empty)
    StrBuf password;   // ADDRESS: password for matching clients (may be empty)
};

using BaseRuleList = std::vector<std::shared_ptr<const BaseRule>>;

class AccessRules {
public:
    static constexpr int kMaxNames = 128;  // names with rules

    // True when no name has rules: every application is open to every client.
    bool empty() const { return names_.empty(); }
    // Number of names with rules.
    int nameCount() const { return names_.size(); }
    // Appends `rule` to the rules of `name` (without regard to the case of A to Z),
    // numbering a new name; false, filing nothing, when kMaxNames names are known.
    bool file(std::string_view name, std::shared_ptr<const BaseRule> rule);
    // The rules of `name` in the order of their lines, or null when it has none.
    const BaseRuleList* rulesOf(std::string_view name) const;

private:
    NamedList<int> names_;             // name -> its number, an index into rules_
    std::vector<BaseRuleList> rules_;  // the rules of each numbered name
};
