// summary.h - summaries: the sentences of the fields accumulated that hold most of
// the query's words (most different words first, then most hits), at most three, in
// text order; without hits the first sentences; at most about kSummaryBytes bytes of
// the session's character set. A sentence ends after ".", "!" or "?" before a blank,
// and at the end of each item.
#pragma once

#include <string>
#include <vector>

#include "charset.h"
#include "field_text.h"

namespace zdb {

inline constexpr size_t kSummaryBytes = 400;
inline constexpr size_t kSummarySentences = 3;

// The summary of `fields`, in the session's character set.
std::string makeSummary(const std::vector<FieldText>& fields, const Charset& charset);

}  // namespace zdb
