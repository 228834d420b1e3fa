#include "capture/capture_sink.h"
#include "capture/clip_logger.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

class RecordingSink : public CaptureSink
{
public:
    void AddText(TextRecord text) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_texts.push_back(*text);
        m_changed.notify_all();
    }

    void AddImage(ImageRecord image) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_images.push_back(std::move(image));
    }

    void AddFile(FileRecord) override {}

    std::vector<ImageRecord> Images()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_images;
    }

    std::vector<std::string> Texts()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_texts;
    }

    bool WaitForTexts(size_t count)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(5), [&] { return m_texts.size() >= count; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_texts;
    std::vector<ImageRecord> m_images;
};

using Texts = std::vector<std::string>;

Texts PollTexts(const std::vector<ClipSnapshot>& snapshots)
{
    RecordingSink sink;
    ClipLogger logger(&sink, "/nonexistent/copied-files");
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
    ClipSnapshot image = ClipSnapshot::OfImage({1, 2, 3}, "image/png");
    ClipSnapshot files = ClipSnapshot::OfFiles({"/tmp/a"});
    EXPECT_EQ(PollTexts({Text("A"), ClipSnapshot::Nothing(), image, files, Text("A")}), Texts({"A"}));
}

TEST(TextCapture, NonAsciiTextIsComparedPerCharacter)
{
    EXPECT_EQ(PollTexts({Text("grüße"), Text("grüße"), Text("GRÜSSE")}), Texts({"grüße", "GRÜSSE"}));
}

TEST(ClipLoggerThread, HandsRecordsOverInOrderAndStopsWhenAsked)
{
    RecordingSink sink;
    ClipLogger logger(&sink, "/nonexistent/copied-files");
    ASSERT_EQ(logger.Create(), wxTHREAD_NO_ERROR);
    ASSERT_EQ(logger.Run(), wxTHREAD_NO_ERROR);

    Texts expected;
    for (int i = 0; i < 200; ++i)
    {
        expected.push_back("text " + std::to_string(i));
        logger.Submit(ClipSnapshot::OfText(expected.back()));
    }
    ASSERT_TRUE(sink.WaitForTexts(expected.size()));
    EXPECT_EQ(sink.Texts(), expected);

    auto start = std::chrono::steady_clock::now();
    logger.RequestStop();
    logger.Wait();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}
