#include "clipboard/clip_text.h"

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

std::optional<std::string> TakeRecordedText(std::string_view type, std::string&& bytes)
{
    if (type == "STRING" || type == "COMPOUND_TEXT")
        return RecordedText(type, std::string_view(bytes));
    return std::move(bytes);
}

std::optional<std::string> Utf8ToLatin1(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i)
    {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80)
            out += static_cast<char>(c);
        else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size() &&
                 (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80)
        {
            out += static_cast<char>((c & 0x03) << 6 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
            ++i;
        }
        else
            return std::nullopt;
    }
    return out;
}
