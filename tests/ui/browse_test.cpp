#include "ui/browse.h"

#include <gtest/gtest.h>

TEST(BrowsePosition, StaysWithinTheRecordsWithoutWrapping)
{
    BrowsePosition position;
    EXPECT_FALSE(position.Next(0));      // no records: Next does nothing
    EXPECT_FALSE(position.Previous());   // nothing shown yet
    EXPECT_EQ(position.Position(), 0u);

    EXPECT_TRUE(position.Next(2));
    EXPECT_EQ(position.Position(), 1u);
    EXPECT_FALSE(position.Previous());   // record 1 is the first
    EXPECT_TRUE(position.Next(2));
    EXPECT_FALSE(position.Next(2));      // record 2 is the last
    EXPECT_EQ(position.Position(), 2u);

    EXPECT_TRUE(position.Next(3));       // a record arrived meanwhile
    EXPECT_EQ(position.Position(), 3u);
    EXPECT_TRUE(position.Previous());
    EXPECT_EQ(position.Position(), 2u);
}

TEST(BrowsePosition, ResultsWindowsStartOnTheFirstMatch)
{
    BrowsePosition position(1);
    EXPECT_FALSE(position.Previous());
    EXPECT_FALSE(position.Next(1));
    EXPECT_EQ(position.Position(), 1u);
}

TEST(Labels, KeepTheSameWordingForEveryCount)
{
    EXPECT_EQ(CountLabelText(1, "items of text"), "You currently have 1 items of text saved from the clipboard");
    EXPECT_EQ(CountLabelText(4294967295u, "files"), "You currently have 4294967295 files saved from the clipboard");
    EXPECT_EQ(PositionLabelText(0), "Currently viewing #0");
    EXPECT_EQ(ResultsLabelText(1, 1), "Currently viewing #1 of 1 results");
}

TEST(SpokenExcerpt, SaysTheFirstWordsOfAText)
{
    EXPECT_EQ(SpokenExcerpt("  line one\r\n\tline\x01two  "), "line one line two");
    EXPECT_EQ(SpokenExcerpt(""), "");
    EXPECT_EQ(SpokenExcerpt("\n\n"), "");

    // Cut at the word before the limit, never inside a character.
    std::string words;
    while (words.size() < 300)
        words += "word ";
    std::string spoken = SpokenExcerpt(words);
    EXPECT_EQ(spoken.substr(spoken.size() - 7), "word...");
    EXPECT_LE(spoken.size(), kSpokenLength + 3);
    std::string accents;
    for (int i = 0; i < 150; ++i)
        accents += "\xc3\xa9";  // é, no blank anywhere
    spoken = SpokenExcerpt(accents);
    EXPECT_EQ(spoken, accents.substr(0, 2 * kSpokenLength) + "...");
    EXPECT_EQ(SpokenExcerpt(accents.substr(0, 2 * kSpokenLength) + " \n "), accents.substr(0, 2 * kSpokenLength));
    EXPECT_EQ(SpokenExcerpt("\xff\xfe ok"), "\xff\xfe ok");  // bytes that are no UTF-8 are kept as they are
}
