#pragma once

#include "records/text_records.h"

#include <string_view>

// Whether `pattern` occurs in `text` as one contiguous run: exact and
// case-sensitive, blanks and line breaks count, nothing is trimmed, and
// the empty pattern occurs everywhere.
bool ContainsText(std::string_view text, std::string_view pattern);

// Every record that contains `pattern`, oldest first, each at most once.
TextRecords FindMatches(const TextRecords& records, std::string_view pattern);
