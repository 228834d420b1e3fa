#include "ui/browse.h"

#include <algorithm>

bool BrowsePosition::Next(std::uint32_t recordCount)
{
    if (m_position >= recordCount)
        return false;
    ++m_position;
    return true;
}

bool BrowsePosition::Previous()
{
    if (m_position <= 1)
        return false;
    --m_position;
    return true;
}

std::string CountLabelText(std::uint32_t count, const char* what)
{
    return "You currently have " + std::to_string(count) + " " + what +
           " saved from the clipboard";
}

std::string PositionLabelText(std::uint32_t position)
{
    return "Currently viewing #" + std::to_string(position);
}

std::string ResultsLabelText(std::uint32_t position, std::uint32_t total)
{
    return PositionLabelText(position) + " of " + std::to_string(total) + " results";
}

std::string SpokenExcerpt(const std::string& utf8)
{
    std::string spoken;
    std::size_t characters = 0;
    std::size_t lastBlank = std::string::npos;  // where a word ended, in `spoken`
    bool cut = false;
    for (std::size_t i = 0; i < utf8.size();)
    {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (characters == kSpokenLength)
        {
            // Cut only where something but blanks follows.
            cut = std::any_of(utf8.begin() + static_cast<std::ptrdiff_t>(i), utf8.end(), [](char c) {
                const auto b = static_cast<unsigned char>(c);
                return b > 0x20 && b != 0x7f;
            });
            break;
        }
        if (byte <= 0x20 || byte == 0x7f)
        {
            if (!spoken.empty() && spoken.back() != ' ')
            {
                lastBlank = spoken.size();
                spoken += ' ';
                ++characters;
            }
            ++i;
            continue;
        }
        // A whole sequence: its lead byte tells its length; a stray byte is
        // one character of its own.
        std::size_t length = byte < 0x80 ? 1 : byte >= 0xf0 ? 4 : byte >= 0xe0 ? 3 : byte >= 0xc0 ? 2 : 1;
        length = std::min(length, utf8.size() - i);
        spoken.append(utf8, i, length);
        ++characters;
        i += length;
    }
    if (cut && lastBlank != std::string::npos && lastBlank * 4 >= spoken.size() * 3)
        spoken.resize(lastBlank);
    while (!spoken.empty() && spoken.back() == ' ')
        spoken.pop_back();
    if (cut)
        spoken += "...";
    return spoken;
}
