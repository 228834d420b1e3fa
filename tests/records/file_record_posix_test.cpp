#include "records/file_record.h"
#include "records/stored_copies.h"
#include "temp_dir.h"
#include "time_zone.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <clocale>
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
    // Locales whose own date forms differ (08.12.25, 2025/12/08, Eastern
    // Arabic digits), built from the C library's locale sources into a
    // folder of the test's own.
    TempDir dir;
    const char* previousPath = std::getenv("LOCPATH");
    const std::string keptPath = previousPath ? previousPath : "";
    const std::string previousLocale = std::setlocale(LC_ALL, nullptr);
    ::setenv("LOCPATH", dir.Path().c_str(), 1);
    ScopedTimeZone utc("UTC");
    for (const char* name : {"de_DE", "ja_JP", "ar_EG"})
    {
        const std::string locale = std::string(name) + ".UTF-8";
        const std::string build =
            "localedef -c -i " + std::string(name) + " -f UTF-8 '" + (dir / locale).string() + "' 2>/dev/null";
        [[maybe_unused]] int built = std::system(build.c_str());
        ASSERT_NE(std::setlocale(LC_ALL, locale.c_str()), nullptr) << locale << " could not be made";
        EXPECT_EQ(TimeText(1765152203), "12/08/25 at 00:03:23") << locale;
        EXPECT_EQ(TimeText(std::nullopt), "unknown") << locale;
    }
    std::setlocale(LC_ALL, previousLocale.c_str());
    previousPath ? ::setenv("LOCPATH", keptPath.c_str(), 1) : ::unsetenv("LOCPATH");
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

