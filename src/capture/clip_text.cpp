#include "capture/clip_text.h"

std::string Latin1ToUtf8(std::string_view latin1)
{
    std::string out;
    out.reserve(latin1.size());
    for (unsigned char c : latin1)
    {
        if (c < 0x80)
            out += static_cast<char>(c);
        else
        {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::optional<std::string> RecordedText(std::string_view type, std::string_view bytes)
{
    if (type == "STRING")
        return Latin1ToUtf8(bytes);
    if (type == "COMPOUND_TEXT")
    {
        // Compound text starts out as Latin-1; only an escape (or a control
        // sequence introducer) switches to anything else.
        if (bytes.find_first_of("\x1B\x9B") != std::string_view::npos)
            return std::nullopt;
        return Latin1ToUtf8(bytes);
    }
    return std::string(bytes);
}
