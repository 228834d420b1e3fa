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
