#include "clipboard/read_steps.h"

#include <gtest/gtest.h>

TEST(ReadStepsTest, TheSecretMarkIsAskedFirstAndHidesEverything)
{
    ReadSteps hidden({"UTF8_STRING", "x-kde-passwordManagerHint", "text/uri-list"}, "host");
    EXPECT_EQ(hidden.Next(), "x-kde-passwordManagerHint");
    EXPECT_EQ(hidden.Limit(), kSecretHintTransferLimit);
    hidden.Answer(std::string("secret\n"), "x-kde-passwordManagerHint");
    ASSERT_TRUE(hidden.Done());
    EXPECT_EQ(hidden.TakeSnapshot().kind, ClipSnapshot::Kind::Nothing);

    // A mark that can't be read hides the content as well.
    ReadSteps refused({"UTF8_STRING", "x-kde-passwordManagerHint"}, "host");
    refused.Answer(std::nullopt, "");
    EXPECT_TRUE(refused.Done());

    ReadSteps shown({"UTF8_STRING", "x-kde-passwordManagerHint"}, "host");
    shown.Answer(std::string("public"), "x-kde-passwordManagerHint");
    EXPECT_EQ(shown.Next(), "UTF8_STRING");
    EXPECT_EQ(shown.Limit(), kTextTransferLimit);
    shown.Answer(std::string("visible"), "UTF8_STRING");
    EXPECT_EQ(shown.TakeSnapshot().text, "visible");
}

TEST(ReadStepsTest, AFileListComesFirstAndTextWhenItIsNoListOfLocalFiles)
{
    ReadSteps files({"UTF8_STRING", "text/uri-list"}, "host");
    EXPECT_EQ(files.Next(), "text/uri-list");
    EXPECT_EQ(files.Limit(), kFileListTransferLimit);
    files.Answer(std::string("file:///tmp/a%20b\r\n"), "text/uri-list");
    ASSERT_TRUE(files.Done());
    ClipSnapshot snapshot = files.TakeSnapshot();
    ASSERT_EQ(snapshot.kind, ClipSnapshot::Kind::Files);
    EXPECT_EQ(snapshot.files.front(), "/tmp/a b");

    ReadSteps link({"UTF8_STRING", "text/uri-list", "image/png"}, "host");
    link.Answer(std::string("https://example.org/\r\n"), "text/uri-list");
    EXPECT_EQ(link.Next(), "UTF8_STRING");
    link.Answer(std::string("https://example.org/"), "UTF8_STRING");
    EXPECT_EQ(link.TakeSnapshot().kind, ClipSnapshot::Kind::Text);
}

TEST(ReadStepsTest, TextIsConvertedOnlyByTheTypeOfTheAnswer)
{
    ReadSteps latin({"STRING"}, "host");
    latin.Answer(std::string("caf\xE9"), "STRING");
    EXPECT_EQ(latin.TakeSnapshot().text, "caf\xC3\xA9");

    ReadSteps asked({"TEXT"}, "host");  // answered as UTF-8, kept byte for byte
    asked.Answer(std::string("a\r\n\xFF"), "UTF8_STRING");
    EXPECT_EQ(asked.TakeSnapshot().text, "a\r\n\xFF");

    const std::string switching = "\x1B%G\xE6\x97\xA5";
    ReadSteps converted({"COMPOUND_TEXT"}, "host", [&](const std::string& bytes) -> std::optional<std::string> {
        EXPECT_EQ(bytes, switching);
        return std::string("\xE6\x97\xA5");
    });
    converted.Answer(switching, "COMPOUND_TEXT");
    EXPECT_EQ(converted.TakeSnapshot().text, "\xE6\x97\xA5");

    ReadSteps unconverted({"COMPOUND_TEXT"}, "host");
    unconverted.Answer(switching, "COMPOUND_TEXT");
    EXPECT_EQ(unconverted.TakeSnapshot().kind, ClipSnapshot::Kind::Nothing);
}

TEST(ReadStepsTest, RefusalsAndEmptyImagesRecordNothing)
{
    ReadSteps text({"UTF8_STRING", "image/png"}, "host");
    text.Answer(std::nullopt, "");
    ASSERT_TRUE(text.Done());  // a refused text does not fall back to the image
    EXPECT_EQ(text.TakeSnapshot().kind, ClipSnapshot::Kind::Nothing);

    ReadSteps image({"image/jpeg", "image/bmp"}, "host");
    EXPECT_EQ(image.Next(), "image/jpeg");
    EXPECT_EQ(image.Limit(), kImageTransferLimit);
    image.Answer(std::string(), "image/jpeg");
    EXPECT_EQ(image.TakeSnapshot().kind, ClipSnapshot::Kind::Nothing);

    ReadSteps none({"application/x-unknown"}, "host");
    EXPECT_TRUE(none.Done());
}
