#include "ui/browse.h"

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
