#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The browsing rule every page and results window follows: one record on
// view at a 1-based position, no wrap-around, no message at either end.
// The record count is read afresh at each step, because records keep
// arriving while the user browses.
class BrowsePosition
{
public:
    explicit BrowsePosition(std::uint32_t start = 0) : m_position(start) {}

    std::uint32_t Position() const { return m_position; }

    // Each returns true when the position moved, so that the caller shows
    // the record; false leaves everything as it was.
    bool Next(std::uint32_t recordCount);
    bool Previous();

private:
    std::uint32_t m_position;
};

// "You currently have N <what> saved from the clipboard", the same plural
// wording for every count.
std::string CountLabelText(std::uint32_t count, const char* what);

// "Currently viewing #N".
std::string PositionLabelText(std::uint32_t position);

// "Currently viewing #N of M results".
std::string ResultsLabelText(std::uint32_t position, std::uint32_t total);

// The start of a text as a screen reader says it after the position: runs
// of blanks, line ends and control characters as one blank, at most
// kSpokenLength characters (UTF-8 sequences kept whole), cut at a word
// where one ends near the limit, and "..." where cut. Some records are
// megabytes long; a few words tell them apart.
constexpr std::size_t kSpokenLength = 100;
std::string SpokenExcerpt(const std::string& utf8);
