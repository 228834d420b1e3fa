#include "capture/clip_logger.h"
#include "records/stored_copies.h"
#include "recording_sink.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

using Texts = std::vector<std::string>;

Texts PollTexts(const std::vector<ClipSnapshot>& snapshots)
{
    RecordingSink sink;
    StoredCopies store("/nonexistent/copied-files");
    ClipLogger logger(&sink, &store);
    for (const ClipSnapshot& snapshot : snapshots)
        logger.Poll(snapshot);
    return sink.Texts();
}

ClipSnapshot Text(const char* text)
{
    return ClipSnapshot::OfText(text);
}

}  // namespace

TEST(TextCapture, RecordsOnlyWhatDiffersFromTheLastText)
{
    EXPECT_EQ(PollTexts({Text("A"), Text("A")}), Texts({"A"}));
    EXPECT_EQ(PollTexts({Text("A"), Text("B"), Text("A")}), Texts({"A", "B", "A"}));
    EXPECT_EQ(PollTexts({Text("abc"), Text("ABC"), Text("ABC "), Text("ABC \n")}),
              Texts({"abc", "ABC", "ABC ", "ABC \n"}));
}

TEST(TextCapture, EmptyTextIsIgnoredAndTheLastTextRemembered)
{
    EXPECT_EQ(PollTexts({Text("A"), Text(""), Text("A"), Text("B")}), Texts({"A", "B"}));
    EXPECT_EQ(PollTexts({Text("")}), Texts{});
}

TEST(TextCapture, OtherSnapshotsLeaveTheLastTextAlone)
{
    ClipSnapshot image = ClipSnapshot::OfImage({1, 2, 3});
    ClipSnapshot files = ClipSnapshot::OfFiles({"/tmp/a"});
    EXPECT_EQ(PollTexts({Text("A"), ClipSnapshot::Nothing(), image, files, Text("A")}), Texts({"A"}));
}

TEST(TextCapture, NonAsciiTextIsComparedPerCharacter)
{
    EXPECT_EQ(PollTexts({Text("grüße"), Text("grüße"), Text("GRÜSSE")}), Texts({"grüße", "GRÜSSE"}));
}

TEST(TextCapture, KeepsTheOwnersBytesExactly)
{
    // Line ends, NULs inside and bytes that are no UTF-8 are all part of
    // the text, and tell texts apart.
    const std::string nul("before\0after", 12), invalid("caf\xE9 \xFF\xFE");
    EXPECT_EQ(PollTexts({Text("x\r\ny"), Text("x\ny"), Text("x\ry"), ClipSnapshot::OfText(nul),
                         ClipSnapshot::OfText(invalid), ClipSnapshot::OfText(invalid)}),
              Texts({"x\r\ny", "x\ny", "x\ry", nul, invalid}));
}

TEST(TextCapture, TheLastTextAndItsRecordShareOneCopy)
{
    RecordingSink sink;
    StoredCopies store("/nonexistent/copied-files");
    ClipLogger logger(&sink, &store);
    logger.Poll(ClipSnapshot::OfText(std::string(1 << 20, 'x')));
    std::vector<SharedText> records = sink.TextRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].use_count(), 3);  // the sink's, this copy of it, and the logger's last text
}

// A form that is the text itself shares the record's bytes; a copy whose
// forms are all its text keeps none, unless its owner's text/plain forms
// are ones the program would not make (a text with CR).
TEST(TextCapture, FormsThatAreTheTextShareItAndOnlyOthersAreKept)
{
    RecordingSink sink;
    StoredCopies store("/nonexistent/copied-files");
    ClipLogger logger(&sink, &store);
    auto poll = [&](const std::string& text, ClipForms forms) {
        ClipSnapshot snapshot = ClipSnapshot::OfText(text);
        snapshot.forms = std::move(forms);
        logger.Poll(std::move(snapshot));
        return sink.TextForms().back();
    };
    EXPECT_FALSE(poll("plain", {{"UTF8_STRING", "", nullptr}, {"text/plain", "", MakeSharedText("plain")}}));
    EXPECT_TRUE(poll("with\r\nCR", {{"text/plain", "", MakeSharedText("with\r\nCR")}}));
    SharedForms rich = poll("rich", {{"text/html", "", MakeSharedText("<b>rich</b>")},
                                     {"text/plain;charset=utf-8", "", MakeSharedText("rich")}});
    ASSERT_TRUE(rich);
    EXPECT_EQ(rich->at(1).bytes, sink.TextRecords().back());  // one copy of the text
    EXPECT_EQ(*rich->at(0).bytes, "<b>rich</b>");
}

TEST(ClipLoggerThread, HandsRecordsOverInOrderAndStopsWhenAsked)
{
    RecordingSink sink;
    StoredCopies store("/nonexistent/copied-files");
    ClipLogger logger(&sink, &store);
    ASSERT_TRUE(logger.Start());

    // Each record keeps the time of the change that brought it, for the
    // timing log.
    Texts expected;
    std::vector<ChangeTime> changes;
    for (int i = 0; i < 200; ++i)
    {
        expected.push_back("text " + std::to_string(i));
        ClipSnapshot snapshot = ClipSnapshot::OfText(expected.back());
        snapshot.changedAt = ChangeTime(std::chrono::microseconds(1000 + i));
        changes.push_back(snapshot.changedAt);
        logger.Submit(std::move(snapshot));
    }
    ASSERT_TRUE(sink.WaitForTexts(expected.size()));
    EXPECT_EQ(sink.Texts(), expected);
    EXPECT_EQ(sink.TextChanges(), changes);

    EXPECT_TRUE(logger.Stop(std::chrono::steady_clock::now() + std::chrono::seconds(5)));
}

TEST(ClipLoggerThread, DropsWhatIsQueuedWhenStopped)
{
    RecordingSink sink;
    StoredCopies store("/nonexistent/copied-files");
    ClipLogger logger(&sink, &store);
    for (int i = 0; i < 1000; ++i)
        logger.Submit(ClipSnapshot::OfText("queued " + std::to_string(i)));
    logger.RequestStop();
    logger.Start();  // too late: nothing queued is polled
    EXPECT_TRUE(logger.Stop(std::chrono::steady_clock::now() + std::chrono::seconds(5)));
    EXPECT_TRUE(sink.Texts().empty());
}
