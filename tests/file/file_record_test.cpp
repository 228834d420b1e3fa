#include "capture/capture_sink.h"
#include "capture/clip_logger.h"
#include "file/file_record.h"
#include "file/stored_copies.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

namespace fs = std::filesystem;

TEST(FileTexts, NameAndTypeComeFromTheLastComponent)
{
    EXPECT_EQ(FileNameOf("/data/report.txt"), "report.txt");
    EXPECT_EQ(FileTypeOf("report.txt"), "txt");
    EXPECT_EQ(FileTypeOf(FileNameOf("/x/archive.tar.gz")), "gz");
    EXPECT_EQ(FileTypeOf(FileNameOf("/my.docs/readme")), "");
    EXPECT_EQ(FileTypeOf("README"), "");
    EXPECT_EQ(FileNameOf("/data/folder/"), "");
}

TEST(FileTexts, SizesInWholeKilobytesAndSixtyFourBits)
{
    EXPECT_EQ(SizeText(0), "0kb");
    EXPECT_EQ(SizeText(1023), "0kb");
    EXPECT_EQ(SizeText(1024), "1kb");
    EXPECT_EQ(SizeText(5000), "4kb");
    EXPECT_EQ(SizeText(5ull << 30), "5242880kb");
    EXPECT_EQ(SizeText(std::nullopt), "unknown");
}

TEST(FileTexts, TimesReadTheSameInEveryLocale)
{
    const char* oldTz = std::getenv("TZ");
    std::string saved = oldTz ? oldTz : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(TimeText(1765152203), "12/08/25 at 00:03:23");
    EXPECT_EQ(TimeText(std::nullopt), "unknown");
    if (oldTz)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TEST(FileRecords, TheCopiedFilesFolderIsMadePrivateWhenFirstNeeded)
{
    TempDir dir;
    fs::path copied = dir / "copied-files";
    WriteFile(dir / "key", "secret");
    ::chmod((dir / "key").c_str(), 0600);

    StoredCopies store(copied);
    EXPECT_FALSE(fs::exists(copied));
    FileRecord record = MakeFileRecord(dir / "key", 1, store, nullptr);
    EXPECT_EQ(record.storedCopy, copied / "1" / "key");
    EXPECT_EQ(ReadFile(record.storedCopy), "secret");
    struct stat info;
    ::stat(copied.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ::stat(record.storedCopy.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(record.size, "0kb");
    EXPECT_EQ(record.type, "");
}

TEST(FileRecords, WithoutAStoredCopyNoLocationIsShown)
{
    TempDir dir;
    fs::create_directories(dir / "a folder");
    ::mkfifo((dir / "fifo").c_str(), 0600);
    StoredCopies store(dir / "copied-files");
    FileRecord record = MakeFileRecord(dir / "vanished.txt", 3, store, nullptr);
    EXPECT_EQ(record.name, "vanished.txt");
    EXPECT_EQ(record.type, "txt");
    EXPECT_EQ(record.size, "unknown");
    EXPECT_EQ(record.modified, "unknown");
    EXPECT_EQ(record.accessed, "unknown");
    EXPECT_EQ(record.created, "unknown");
    for (const char* name : {"vanished.txt", "a folder", "fifo"})
    {
        FileRecord odd = MakeFileRecord(dir / name, 4, store, nullptr);
        EXPECT_TRUE(odd.storedCopy.empty()) << name;
        EXPECT_TRUE(odd.storedCopyText.empty()) << name;
        EXPECT_EQ(odd.pathText, (dir / name).string());
    }
}

namespace {

class FileSink : public CaptureSink
{
public:
    void AddText(TextRecord) override {}
    void AddImage(ImageRecord) override {}
    void AddFile(FileRecord file) override { files.push_back(std::move(file)); }
    std::vector<FileRecord> files;
};

}  // namespace

TEST(FileCapture, AListIsNewWhenItDiffersAsAWhole)
{
    TempDir dir;
    for (const char* name : {"a", "b", "c"})
        WriteFile(dir / name, name);
    FileSink sink;
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
    for (const FileRecord& record : sink.files)
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
    FileSink sink;
    StoredCopies store(dir / "copied-files");
    ClipLogger logger(&sink, &store);
    logger.Poll(ClipSnapshot::OfFiles({dir / "one" / "report.txt"}));
    logger.Poll(ClipSnapshot::OfFiles({dir / "two" / "report.txt"}));
    // A stored copy put back and recorded again shares its bytes instead
    // of taking the space a second time.
    logger.Poll(ClipSnapshot::OfFiles({dir / "copied-files" / "1" / "report.txt"}));

    ASSERT_EQ(sink.files.size(), 3u);
    EXPECT_EQ(ReadFile(sink.files[0].storedCopy), "first report");
    EXPECT_EQ(ReadFile(sink.files[1].storedCopy), "second report");
    EXPECT_EQ(ReadFile(sink.files[2].storedCopy), "first report");
    EXPECT_EQ(sink.files[0].storedCopy.filename(), "report.txt");
    struct stat first, third;
    ASSERT_EQ(::stat(sink.files[0].storedCopy.c_str(), &first), 0);
    ASSERT_EQ(::stat(sink.files[2].storedCopy.c_str(), &third), 0);
    EXPECT_EQ(first.st_ino, third.st_ino);
}
