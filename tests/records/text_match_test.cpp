#include "records/preview_part.h"
#include "records/text_match.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Matches(const std::vector<const char*>& texts, const char* pattern)
{
    TextRecords records;
    for (const char* text : texts)
        records.push_back(MakeSharedText(text));
    std::vector<std::string> found;
    for (const TextRecord& record : FindMatches(records, pattern))
        found.push_back(*record.text);
    return found;
}

using Found = std::vector<std::string>;

}  // namespace

TEST(TextMatch, ExactCaseSensitiveSubstrings)
{
    EXPECT_EQ(Matches({"xabcx", "ABC", "abc"}, "abc"), Found({"xabcx", "abc"}));
    EXPECT_EQ(Matches({"abc abc abc"}, "abc"), Found({"abc abc abc"}));  // once per record
    EXPECT_EQ(Matches({"two words", "twowords", "two\nwords"}, "two words"), Found({"two words"}));
    EXPECT_EQ(Matches({"line\nbreak", "line break"}, "e\nb"), Found({"line\nbreak"}));
    EXPECT_EQ(Matches({"a*c", "abc"}, "a*c"), Found({"a*c"}));  // no wildcards
    EXPECT_EQ(Matches({" padded "}, " padded "), Found({" padded "}));
    EXPECT_EQ(Matches({"padded"}, " padded"), Found{});
}

TEST(TextMatch, NonAsciiTextIsFound)
{
    EXPECT_EQ(Matches({"Grüße aus Köln", "GRÜSSE"}, "üße"), Found({"Grüße aus Köln"}));
    EXPECT_EQ(Matches({"日本語のテキスト"}, "語の"), Found({"日本語のテキスト"}));
    EXPECT_EQ(Matches({"Köln"}, "K\xC3"), Found({"Köln"}));  // bytes, as the rule says
}

TEST(TextMatch, EmptyPatternAndNoRecords)
{
    EXPECT_EQ(Matches({"a", ""}, ""), Found({"a", ""}));
    EXPECT_EQ(Matches({}, ""), Found{});
    EXPECT_EQ(Matches({}, "x"), Found{});
}

TEST(PreviewPart, ShortTextsShowWhole)
{
    std::string text = "a short note\nwith two lines";
    EXPECT_EQ(PreviewPart(text), text);
}

TEST(PreviewPart, LongTextsAreCutAtACharacterBoundary)
{
    std::string text = std::string(9, 'a') + "\xE2\x82\xAC" + "tail";  // the euro sign spans bytes 9 to 11
    EXPECT_EQ(PreviewPart(text, 10, 100), std::string(9, 'a'));
    EXPECT_EQ(PreviewPart(text, 12, 100), std::string(9, 'a') + "\xE2\x82\xAC");
}

TEST(PreviewPart, StopsWhereARunWithoutBlanksGrowsTooLong)
{
    std::string words = "word word word word";
    EXPECT_EQ(PreviewPart(words, 100, 4), words);
    std::string blob = "head " + std::string(50, 'x') + " tail";
    EXPECT_EQ(PreviewPart(blob, 100, 8), "head " + std::string(8, 'x'));
}
