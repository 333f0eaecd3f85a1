// base_rule.cpp - filing client access rules by name.

#include "config/base_rule.h"

bool AccessRules::file(std::string_view name, std::shared_ptr<const BaseRule> rule) {
    if (const int* number = findValueByName(names_, name)) {
        rules_[static_cast<std::size_t>(*number)].push_back(std::move(rule));
        return true;
    }
    if (nameCount() >= kMaxNames) return false;
    addPair(names_, StrBuf(name), nameCount());
    rules_.push_back(BaseRuleList{std::move(rule)});
    return true;
}

const BaseRuleList* AccessRules::rulesOf(std::string_view name) const {
    const int* number = findValueByName(names_, name);
    return number ? &rules_[static_cast<std::size_t>(*number)] : nullptr;
}
