#include "clipboard/clip_offer.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Targets(const ClipOffer& offer)
{
    std::vector<std::string> targets;
    for (const ClipOffer::Form& form : offer.forms)
        targets.push_back(form.target);
    return targets;
}

}  // namespace

TEST(ClipOfferTest, AsciiTextServesEveryFormFromTheRecordsOwnBytes)
{
    auto text = std::make_shared<const std::string>(std::string("line\nnul\0end", 12));
    ClipOffer offer = OfferText(text);
    EXPECT_EQ(Targets(offer), (std::vector<std::string>{"UTF8_STRING", "text/plain;charset=utf-8", "text/plain",
                                                        "TEXT", "STRING"}));
    for (const ClipOffer::Form& form : offer.forms)
    {
        EXPECT_EQ(form.bytes.data(), text->data()) << form.target;
        EXPECT_EQ(form.bytes.size(), 12u);
    }
    EXPECT_EQ(offer.Find("TEXT")->type, "UTF8_STRING");
    ClipSnapshot self = offer.self();
    EXPECT_EQ(self.kind, ClipSnapshot::Kind::Text);
    EXPECT_EQ(self.text, *text);
}

TEST(ClipOfferTest, ATextWithCarriageReturnsSkipsTheFormsGtkRewrites)
{
    ClipOffer offer = OfferText(std::make_shared<const std::string>("one\r\ntwo"));
    EXPECT_EQ(Targets(offer), (std::vector<std::string>{"UTF8_STRING", "TEXT", "STRING"}));
    EXPECT_EQ(offer.Find("UTF8_STRING")->bytes, "one\r\ntwo");
}

TEST(ClipOfferTest, StringIsLatin1OrNotOfferedAtAll)
{
    ClipOffer latin = OfferText(std::make_shared<const std::string>("caf\xC3\xA9"));
    ASSERT_NE(latin.Find("STRING"), nullptr);
    EXPECT_EQ(latin.Find("STRING")->bytes, "caf\xE9");
    EXPECT_EQ(latin.Find("UTF8_STRING")->bytes, "caf\xC3\xA9");

    for (const char* beyond : {"\xE6\x97\xA5", "bad \xC3", "\xE2\x82\xAC"})
    {
        ClipOffer offer = OfferText(std::make_shared<const std::string>(beyond));
        EXPECT_EQ(offer.Find("STRING"), nullptr) << beyond;
        EXPECT_EQ(offer.Find("UTF8_STRING")->bytes, beyond);
    }
}

TEST(ClipOfferTest, NoTextIsAnEmptyTextInEveryForm)
{
    ClipOffer offer = OfferText(nullptr);
    ASSERT_EQ(offer.forms.size(), 5u);  // every text form, the empty text being no other
    for (const ClipOffer::Form& form : offer.forms)
        EXPECT_TRUE(form.bytes.empty()) << form.target;
    EXPECT_EQ(offer.self().kind, ClipSnapshot::Kind::Text);
}

TEST(ClipOfferTest, FilesAndImages)
{
    ClipOffer files = OfferFiles({"/tmp/a b.txt", std::filesystem::u8path("/tmp/\xC3\xA9")});
    EXPECT_EQ(files.Find("text/uri-list")->bytes, "file:///tmp/a%20b.txt\r\nfile:///tmp/%C3%A9\r\n");
    EXPECT_EQ(files.Find("x-special/gnome-copied-files")->bytes,
              "copy\nfile:///tmp/a%20b.txt\nfile:///tmp/%C3%A9");
    EXPECT_EQ(files.self().files.size(), 2u);
    ClipOffer cut = OfferFiles({"/tmp/a b.txt"}, true);
    EXPECT_EQ(cut.Find("x-special/gnome-copied-files")->bytes, "cut\nfile:///tmp/a%20b.txt");
    EXPECT_EQ(cut.Find("text/uri-list")->bytes, "file:///tmp/a%20b.txt\r\n");

    auto png = std::make_shared<const Bytes>(Bytes{0x89, 'P', 'N', 'G'});
    ClipOffer image = OfferPng(png);
    ASSERT_EQ(image.forms.size(), 1u);
    EXPECT_EQ(image.forms[0].target, "image/png");
    EXPECT_EQ(static_cast<const void*>(image.forms[0].bytes.data()), static_cast<const void*>(png->data()));
    EXPECT_EQ(image.self().imageData, *png);
}

// A record given back offers its owner's forms first, in its order and
// with its bytes (a browser's CRLF text/plain rather than the record's),
// then those made here that the owner did not offer; a read of the offer
// finds them all.
TEST(ClipOfferTest, ACopysOtherFormsComeFirstAndTheOwnersOwnBytesWin)
{
    auto html = MakeSharedText("<b>one</b>");
    auto crlf = MakeSharedText("one\r\n");
    auto forms = std::make_shared<const ClipForms>(ClipForms{{"text/html", "", html},
                                                             {"UTF8_STRING", "", nullptr},
                                                             {"text/plain", "", crlf},
                                                             {"text/x-moz-url-priv", "", html}});
    ClipOffer offer = OfferText(MakeSharedText("one\n"), forms);
    EXPECT_EQ(Targets(offer), (std::vector<std::string>{"text/html", "UTF8_STRING", "text/plain", "text/x-moz-url-priv",
                                                        "text/plain;charset=utf-8", "TEXT", "STRING"}));
    EXPECT_EQ(offer.Find("UTF8_STRING")->bytes, "one\n");
    EXPECT_EQ(offer.Find("text/plain")->bytes, "one\r\n");
    EXPECT_EQ(offer.Find("text/html")->bytes.data(), html->data());  // shared, not copied
    EXPECT_EQ(offer.self().forms.size(), 4u);

    ClipOffer image = OfferPng(std::make_shared<const Bytes>(Bytes{0x89, 'P'}), forms);
    EXPECT_EQ(Targets(image).back(), "image/png");
    EXPECT_EQ(Targets(image).front(), "text/html");
}
