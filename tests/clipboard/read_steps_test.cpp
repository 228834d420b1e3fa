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
    EXPECT_FALSE(snapshot.cut);

    // A file manager's "cut" is kept, for a list put back to say it again:
    // from its mark beside the plain list, or from the GNOME form alone.
    ReadSteps cut({"text/uri-list", "x-special/gnome-copied-files", "application/x-kde-cutselection"}, "host");
    EXPECT_EQ(cut.Next(), "text/uri-list");
    cut.Answer(std::string("file:///tmp/a%20b\r\n"), "text/uri-list");
    EXPECT_EQ(cut.Next(), "application/x-kde-cutselection");
    cut.Answer(std::string("1", 2), "application/x-kde-cutselection");
    snapshot = cut.TakeSnapshot();
    EXPECT_TRUE(snapshot.cut);
    EXPECT_EQ(snapshot.files, std::vector<std::filesystem::path>{"/tmp/a b"});
    ReadSteps gnome({"x-special/gnome-copied-files"}, "host");
    gnome.Answer(std::string("cut\nfile:///tmp/a%20b"), "x-special/gnome-copied-files");
    EXPECT_TRUE(gnome.TakeSnapshot().cut);

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

// The forms an office program or a browser offers beside a text are read
// after it, in the owner's order; what is no content, an image, an older X
// encoding or a form naming the owner's process is not asked for; a
// refused form is left out, and forms with the same bytes share them.
TEST(ReadStepsTest, AFormsOtherFormsAreReadInTheOwnersOrderWithinTheirBounds)
{
    ReadSteps steps({"TARGETS", "text/html", "application/x-libreoffice-internal-id-4242", "UTF8_STRING",
                     "text/rtf", "image/png", "STRING", "TEXT",
                     "application/x-openoffice-gdimetafile;windows_formatname=\"GDIMetaFile\"",
                     "text/plain;charset=utf-8", "text/richtext", "SAVE_TARGETS", "text/plain"},
                    "host");
    EXPECT_EQ(steps.Next(), "UTF8_STRING");
    EXPECT_FALSE(steps.Gathering());
    EXPECT_TRUE(steps.FormsAfterNext().empty());
    steps.Answer(std::string("bold text"), "UTF8_STRING");
    // What may be asked for ahead is what will be asked for next.
    EXPECT_EQ(steps.FormsAfterNext(),
              (std::vector<std::string>{"text/rtf", "text/plain;charset=utf-8", "text/richtext", "text/plain"}));
    std::vector<std::string> asked;
    while (!steps.Done())
    {
        EXPECT_TRUE(steps.Gathering());
        EXPECT_EQ(steps.Limit(), kFormTransferLimit);
        asked.push_back(steps.Next());
        if (steps.Next() == "text/rtf")
            steps.Answer(std::nullopt, "");  // advertised, then refused
        else if (steps.Next() == "text/richtext")
            steps.Answer(std::string("{\\rtf1 bold}"), "text/richtext");
        else
            steps.Answer("<" + steps.Next() + ">", steps.Next() == "text/html" ? "text/html" : "ATOM_LABEL");
    }
    EXPECT_EQ(asked, (std::vector<std::string>{"text/html", "text/rtf", "text/plain;charset=utf-8",
                                               "text/richtext", "text/plain"}));
    ClipSnapshot snapshot = steps.TakeSnapshot();
    EXPECT_EQ(snapshot.text, "bold text");
    ASSERT_EQ(snapshot.forms.size(), 5u);
    EXPECT_EQ(snapshot.forms[0].target, "text/html");
    EXPECT_EQ(*snapshot.forms[0].bytes, "<text/html>");
    EXPECT_EQ(snapshot.forms[0].type, "");  // labelled as asked
    EXPECT_EQ(snapshot.forms[1].target, "UTF8_STRING");  // in its place, served from the record
    EXPECT_FALSE(snapshot.forms[1].bytes);
    EXPECT_EQ(snapshot.forms[2].type, "ATOM_LABEL");
    EXPECT_EQ(snapshot.forms[3].target, "text/richtext");

    // Two forms of the same bytes hold them once; a copy that must end now
    // keeps the forms that came.
    ReadSteps same({"UTF8_STRING", "text/rtf", "text/richtext", "text/html"}, "host");
    same.Answer(std::string("t"), "UTF8_STRING");
    same.Answer(std::string("{\\rtf1 t}"), "text/rtf");
    same.Answer(std::string("{\\rtf1 t}"), "text/richtext");
    ASSERT_TRUE(same.Gathering());
    same.EndWithWhatCame();
    ASSERT_TRUE(same.Done());
    snapshot = same.TakeSnapshot();
    ASSERT_EQ(snapshot.forms.size(), 3u);
    EXPECT_EQ(snapshot.forms[1].bytes, snapshot.forms[2].bytes);

    // An image keeps its owner's html, never its conversions to other types.
    ReadSteps image({"image/png", "image/jpeg", "image/bmp", "text/html", "image/x-ico", "text/ico", "application/ico"},
                    "host");
    image.Answer(std::string("\x89PNG"), "image/png");
    EXPECT_EQ(image.Next(), "text/html");
    image.Answer(std::string("<img src=x>"), "text/html");
    EXPECT_TRUE(image.Done());
    EXPECT_EQ(image.TakeSnapshot().forms.size(), 2u);

    // Files keep none; nor does a text its owner marked secret.
    ReadSteps files({"text/uri-list", "text/html", "UTF8_STRING"}, "host");
    files.Answer(std::string("file:///tmp/a\r\n"), "text/uri-list");
    EXPECT_TRUE(files.Done());
    ReadSteps secret({"UTF8_STRING", "text/html", "x-kde-passwordManagerHint"}, "host");
    secret.Answer(std::string("secret"), "x-kde-passwordManagerHint");
    EXPECT_TRUE(secret.Done());
}

TEST(ReadStepsTest, TheFormsOfOneCopyStopAtTheirCountAndTheirTotal)
{
    std::vector<std::string> many{"UTF8_STRING"};
    for (int i = 0; i < 10000; ++i)
        many.push_back("application/x-form-" + std::to_string(i));
    ReadSteps small(many, "host");
    small.Answer(std::string("t"), "UTF8_STRING");
    size_t asked = 0;
    for (; !small.Done(); ++asked)
        small.Answer(std::to_string(asked), small.Next());
    EXPECT_EQ(asked + 1, kMaxForms);  // the form it is recorded by among them

    // Forms at the bound of one fill the bound of all.
    ReadSteps large(many, "host");
    large.Answer(std::string("t"), "UTF8_STRING");
    for (asked = 0; !large.Done(); ++asked)
    {
        std::string form(large.Limit(), 'x');
        form.back() = static_cast<char>('a' + asked);
        large.Answer(std::move(form), large.Next());
    }
    EXPECT_EQ(asked, kFormsTransferLimit / kFormTransferLimit);
}
