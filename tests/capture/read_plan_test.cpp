#include "capture/read_plan.h"

#include <gtest/gtest.h>

TEST(ReadPlan, FileListComesBeforeTextAndImage)
{
    ReadPlan plan = PlanRead({"TARGETS", "UTF8_STRING", "text/uri-list", "image/png",
                              "x-special/gnome-copied-files"},
                             true);
    EXPECT_EQ(plan.fileListTarget, "text/uri-list");
    EXPECT_TRUE(plan.text);  // the fallback when the list is not local files
    EXPECT_EQ(plan.imageTarget, "image/png");

    EXPECT_EQ(PlanRead({"x-special/gnome-copied-files"}, false).fileListTarget, "x-special/gnome-copied-files");
}

TEST(ReadPlan, PrefersPngAmongImages)
{
    EXPECT_EQ(PlanRead({"image/jpeg", "image/bmp", "image/png"}, false).imageTarget, "image/png");
    EXPECT_EQ(PlanRead({"image/jpeg", "image/bmp"}, false).imageTarget, "image/bmp");
    EXPECT_EQ(PlanRead({"image/x-unknown"}, false).imageTarget, "");
}

TEST(ReadPlan, NothingUsableOffered)
{
    ReadPlan plan = PlanRead({"TARGETS", "TIMESTAMP", "application/x-private"}, false);
    EXPECT_TRUE(plan.fileListTarget.empty());
    EXPECT_FALSE(plan.text);
    EXPECT_TRUE(plan.imageTarget.empty());
}
