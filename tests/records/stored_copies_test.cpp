#include "records/stored_copies.h"

#include <gtest/gtest.h>

TEST(StoredCopyRules, ACopyTakesNoMoreThanTheFileHadAndSizelessFilesAreBounded)
{
    CopyLimit sized = StoredCopyLimit(12345, false);
    EXPECT_EQ(sized.bytes, 12345u);
    EXPECT_FALSE(sized.refuseLonger);  // a file that grows is copied as it was
    for (CopyLimit sizeless : {StoredCopyLimit(0, false), StoredCopyLimit(4096, true)})
    {
        EXPECT_EQ(sizeless.bytes, kSizelessFileBound);
        EXPECT_TRUE(sizeless.refuseLonger);  // never a copy cut short
    }
}

TEST(StoredCopyRules, TheReserveIsTheLargerOfOneGigabyteAndFivePercent)
{
    constexpr std::uint64_t GiB = std::uint64_t(1) << 30;
    EXPECT_EQ(FreeSpaceReserve(0), GiB);
    EXPECT_EQ(FreeSpaceReserve(10 * GiB), GiB);
    EXPECT_EQ(FreeSpaceReserve(1000 * GiB), 50 * GiB);
    const std::string message = ReserveMessage("/home/me/copied-files", 50 * GiB);
    EXPECT_NE(message.find("/home/me/copied-files"), std::string::npos);
    EXPECT_NE(message.find("less than 50 GB free"), std::string::npos);
}
