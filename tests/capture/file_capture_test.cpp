#include "capture/clip_logger.h"
#include "records/stored_copies.h"
#include "recording_sink.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

namespace fs = std::filesystem;

TEST(FileCapture, AListIsNewWhenItDiffersAsAWhole)
{
    TempDir dir;
    for (const char* name : {"a", "b", "c"})
        WriteFile(dir / name, name);
    RecordingSink sink;
    StoredCopies store(dir / "copied-files");
    ClipLogger logger(&sink, &store);
    auto files = [&](std::vector<fs::path> paths) { logger.Poll(ClipSnapshot::OfFiles(std::move(paths))); };

    files({dir / "a", dir / "b"});
    files({dir / "c", dir / "b"});  // same last name, still new
    files({dir / "c", dir / "b"});
    files({dir / "b", dir / "c"});  // order counts
    logger.Poll(ClipSnapshot::OfText("in between"));
    files({dir / "b", dir / "c"});
    files({});
    files({dir / "b", dir / "c"});

    std::vector<std::string> names;
    for (const FileRecord& record : sink.Files())
        names.push_back(record.name.utf8_string());
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c", "b", "b", "c"}));
}

TEST(FileCapture, FilesOfTheSameNameKeepCopiesOfTheirOwn)
{
    TempDir dir;
    fs::create_directories(dir / "one");
    fs::create_directories(dir / "two");
    WriteFile(dir / "one" / "report.txt", "first report");
    WriteFile(dir / "two" / "report.txt", "second report");
    RecordingSink sink;
    StoredCopies store(dir / "copied-files");
    ClipLogger logger(&sink, &store);
    logger.Poll(ClipSnapshot::OfFiles({dir / "one" / "report.txt"}));
    logger.Poll(ClipSnapshot::OfFiles({dir / "two" / "report.txt"}));
    // A stored copy put back and recorded again shares its bytes instead
    // of taking the space a second time.
    logger.Poll(ClipSnapshot::OfFiles({dir / "copied-files" / "1" / "report.txt"}));

    std::vector<FileRecord> files = sink.Files();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(ReadFile(files[0].storedCopy), "first report");
    EXPECT_EQ(ReadFile(files[1].storedCopy), "second report");
    EXPECT_EQ(ReadFile(files[2].storedCopy), "first report");
    EXPECT_EQ(files[0].storedCopy.filename(), "report.txt");
    // One file under two names: what is written through one shows in the other.
    std::ofstream(files[0].storedCopy, std::ios::binary | std::ios::app) << " shared";
    EXPECT_EQ(ReadFile(files[2].storedCopy), "first report shared");
}

namespace {

size_t FileCount(RecordingSink& sink)
{
    return sink.Files().size();
}

}  // namespace

TEST(FileCapture, ATextIsRecordedWhileAListOfFilesIsStillBeingStored)
{
    TempDir dir;
    std::vector<fs::path> many;
    for (int i = 0; i < 3000; ++i)
    {
        many.push_back(dir / ("file " + std::to_string(i)));
        WriteFile(many.back(), std::string(512, 'f'));
    }
    WriteFile(dir / "last", "last");
    RecordingSink sink;
    StoredCopies store(dir / "copied-files");
    ClipLogger logger(&sink, &store);
    ASSERT_TRUE(logger.Start());
    logger.Submit(ClipSnapshot::OfFiles(many));
    logger.Submit(ClipSnapshot::OfText("copied during the files"));
    logger.Submit(ClipSnapshot::OfFiles({dir / "last"}));
    ASSERT_TRUE(sink.WaitForTexts(1));
    EXPECT_LT(FileCount(sink), many.size() + 1);  // the text did not wait for them

    // The files still arrive, every one, in the order of their lists.
    for (int wait = 0; wait < 3000 && FileCount(sink) < many.size() + 1; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::vector<FileRecord> files = sink.Files();
    ASSERT_EQ(files.size(), many.size() + 1);
    EXPECT_EQ(files.front().path, many.front());
    EXPECT_EQ(files[many.size() - 1].path, many.back());
    EXPECT_EQ(files.back().path, dir / "last");
    EXPECT_EQ(ReadFile(files.back().storedCopy), "last");
    EXPECT_TRUE(logger.Stop(std::chrono::steady_clock::now() + std::chrono::seconds(10)));
}
