#include "records/preview_part.h"

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

namespace {

// The length of the well-formed UTF-8 character at `at`, or 0.
size_t CharacterLength(std::string_view s, size_t at)
{
    auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
    {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;  // no overlong forms
        if (lead == 0xED)
            high = 0x9F;  // no surrogates
    }
    else if (lead >= 0xF0 && lead <= 0xF4)
    {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;  // nothing above U+10FFFF
    }
    else
        return 0;
    if (at + length > s.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (size_t i = 2; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    return length;
}

}  // namespace

std::string ReadableText(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size();)
    {
        if (bytes[at] == '\0')
        {
            out += "\xE2\x90\x80";  // U+2400 SYMBOL FOR NULL
            ++at;
            continue;
        }
        size_t length = CharacterLength(bytes, at);
        if (length == 0)
        {
            out += "\xEF\xBF\xBD";  // U+FFFD REPLACEMENT CHARACTER
            ++at;
            continue;
        }
        out.append(bytes.data() + at, length);
        at += length;
    }
    return out;
}
