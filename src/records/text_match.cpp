#include "records/text_match.h"

#include <cstring>

bool ContainsText(std::string_view text, std::string_view pattern)
{
    if (pattern.empty())
        return true;
    // Both are UTF-8, whose encoding never lets one character's bytes match
    // inside another's, so a byte search finds exactly the character runs.
#ifdef __GLIBC__
    // Linear in the worst case, where a plain search is quadratic.
    return ::memmem(text.data(), text.size(), pattern.data(), pattern.size()) != nullptr;
#else
    return text.find(pattern) != std::string_view::npos;
#endif
}

TextRecords FindMatches(const TextRecords& records, std::string_view pattern)
{
    TextRecords matches;
    for (const TextRecord& record : records)
        if (ContainsText(*record.text, pattern))
            matches.push_back(record);
    return matches;
}
