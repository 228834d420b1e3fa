#include "text/preview_part.h"

#include <algorithm>

std::string_view PreviewPart(const std::string& text, size_t limit, size_t runLimit)
{
    size_t end = std::min(text.size(), limit);
    size_t run = 0;
    for (size_t i = 0; i < end; ++i)
    {
        char c = text[i];
        run = (c == ' ' || c == '\n' || c == '\t' || c == '\r') ? 0 : run + 1;
        if (run > runLimit)
        {
            end = i;
            break;
        }
    }
    if (end == text.size())
        return text;
    // Back off continuation bytes so no character is split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string_view(text.data(), end);
}
