#include "clipboard/clip_text.h"
#include "clipboard/read_plan.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ReadPlan, FileListComesBeforeTextAndImage)
{
    ReadPlan plan = PlanRead({"TARGETS", "UTF8_STRING", "text/uri-list", "image/png", "x-special/gnome-copied-files"});
    EXPECT_EQ(plan.fileListTarget, "text/uri-list");
    EXPECT_EQ(plan.textTarget, "UTF8_STRING");  // the fallback when the list is not local files
    EXPECT_EQ(plan.imageTarget, "image/png");

    EXPECT_EQ(PlanRead({"x-special/gnome-copied-files"}).fileListTarget, "x-special/gnome-copied-files");
    EXPECT_EQ(PlanRead({"text/uri-list", "application/x-kde-cutselection"}).cutMarkTarget,
              "application/x-kde-cutselection");
    EXPECT_EQ(PlanRead({"UTF8_STRING", "application/x-kde-cutselection"}).cutMarkTarget, "");
}

TEST(ReadPlan, TakesTheTextFormThatKeepsTheOwnersBytes)
{
    // GTK and Qt offer all of these; only the first two carry the text
    // untouched, whatever its line ends.
    EXPECT_EQ(PlanRead({"TEXT", "STRING", "text/plain", "text/plain;charset=utf-8", "UTF8_STRING"}).textTarget,
              "UTF8_STRING");
    EXPECT_EQ(PlanRead({"text/plain", "text/plain;charset=utf-8"}).textTarget, "text/plain;charset=utf-8");
    EXPECT_EQ(PlanRead({"COMPOUND_TEXT", "STRING"}).textTarget, "STRING");
    // Owners that offer a single old form are recorded too.
    for (const char* only : {"text/plain", "TEXT", "COMPOUND_TEXT", "STRING"})
        EXPECT_EQ(PlanRead({"TARGETS", only}).textTarget, only);
}

TEST(ReadPlan, ImagesOnlyInFormatsWithTrustworthyDecoders)
{
    EXPECT_EQ(PlanRead({"image/jpeg", "image/bmp", "image/png"}).imageTarget, "image/png");
    EXPECT_EQ(PlanRead({"image/bmp", "image/jpeg"}).imageTarget, "image/jpeg");
    EXPECT_EQ(PlanRead({"image/bmp", "image/gif", "image/x-portable-graymap"}).imageTarget, "");
}

TEST(ReadPlan, NothingUsableOffered)
{
    ReadPlan plan = PlanRead({"TARGETS", "TIMESTAMP", "application/x-private"});
    EXPECT_TRUE(plan.fileListTarget.empty());
    EXPECT_TRUE(plan.textTarget.empty());
    EXPECT_TRUE(plan.imageTarget.empty());
}

TEST(ReadPlan, SecretMarkIsReadTheWayOwnersWriteIt)
{
    for (std::string value : std::vector<std::string>{"secret", "secret\n", "secret\r\n", std::string("secret\0", 7), "Secret", "SECRET ",
                              std::string("secret\n\0\0", 9)})
        EXPECT_TRUE(IsSecretMark(&value)) << value;
    EXPECT_TRUE(IsSecretMark(nullptr));  // unreadable
    for (std::string value : std::vector<std::string>{"public", "", "secrets", "not secret", " secret"})
        EXPECT_FALSE(IsSecretMark(&value)) << value;
}

TEST(ClipboardText, ConvertedOnlyWhereTheTypeSaysItIsNotUtf8)
{
    const std::string exact("x\r\ny\rz\0\xFF end", 12);
    for (const char* type : {"UTF8_STRING", "text/plain;charset=utf-8", "text/plain", "TEXT"})
        EXPECT_EQ(RecordedText(type, exact), exact) << type;
    EXPECT_EQ(RecordedText("STRING", "caf\xE9\r\n"), "caf\xC3\xA9\r\n");
    EXPECT_EQ(RecordedText("COMPOUND_TEXT", "caf\xE9"), "caf\xC3\xA9");
    EXPECT_FALSE(RecordedText("COMPOUND_TEXT", "\x1B%G\xE6\x97\xA5"));  // switches sets: the window system's
    EXPECT_EQ(Utf8ToLatin1("caf\xC3\xA9 \xC3\xBF"), "caf\xE9 \xFF");
    EXPECT_FALSE(Utf8ToLatin1("\xE2\x82\xAC"));  // the euro sign is no Latin-1
    EXPECT_FALSE(Utf8ToLatin1("\xC3"));
}
