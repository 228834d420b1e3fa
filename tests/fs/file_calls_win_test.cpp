// The Windows file calls at their edges: names outside the ANSI code page,
// long paths, files that are folders, the same file twice, and what is left
// behind when something fails.

#include "platform/instance_lock.h"
#include "platform/program_paths.h"
#include "records/stored_copies.h"
#include "fs/copy_file.h"
#include "fs/file_system.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cerrno>
#include <ctime>

namespace fs = std::filesystem;

namespace {

// Greek, Cyrillic, CJK and an emoji (a surrogate pair): no code page holds
// them all.
const std::string kWideName = "Λόγος – отчёт 文件 \xF0\x9F\x93\x8E.bin";

std::vector<std::string> Names(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().u8string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(CopyFileDataWindows, BytesArriveExactlyUnderAnyName)
{
    TempDir dir;
    const std::string bytes("CR\rLF\nNUL\0EOF\x1A" "end", 16);
    WriteFile(dir / kWideName, bytes);
    WriteFile(dir / "longer old file", std::string(1000, 'x'));

    EXPECT_TRUE(CopyFileData(dir / kWideName, dir / ("copy of " + kWideName)));
    EXPECT_EQ(ReadFile(dir / ("copy of " + kWideName)), bytes);
    // An existing file is replaced whole, no tail of the old one left.
    EXPECT_TRUE(CopyFileData(dir / kWideName, dir / "longer old file"));
    EXPECT_EQ(ReadFile(dir / "longer old file"), bytes);
    WriteFile(dir / "empty", "");
    EXPECT_TRUE(CopyFileData(dir / "empty", dir / "empty copy"));
    EXPECT_EQ(ReadFile(dir / "empty copy"), "");
    // Nothing but the files themselves: no temporary file stays.
    EXPECT_EQ(Names(dir.Path()),
              (std::vector<std::string>{"copy of " + kWideName, "empty", "empty copy", "longer old file", kWideName}));
}

TEST(CopyFileDataWindows, FailuresLoseNothingAndLeaveNothing)
{
    TempDir dir;
    WriteFile(dir / "kept", "the user's file");
    WriteFile(dir / "source", "source bytes");
    fs::create_directories(dir / "a folder");

    int error = 0;
    EXPECT_FALSE(CopyFileData(dir / "missing", dir / "kept", nullptr, &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(CopyFileData(dir / "a folder", dir / "kept"));
    EXPECT_EQ(ReadFile(dir / "kept"), "the user's file");

    EXPECT_FALSE(CopyFileData(dir / "source", dir / "no such folder" / "copy", nullptr, &error));
    EXPECT_FALSE(fs::exists(dir / "no such folder"));

    // The same file under its own name keeps its content.
    EXPECT_TRUE(CopyFileData(dir / "source", dir / "source"));
    EXPECT_EQ(ReadFile(dir / "source"), "source bytes");

    std::atomic<bool> stop{true};
    EXPECT_FALSE(CopyFileData(dir / "source", dir / "stopped", &stop, &error));
    EXPECT_EQ(error, ECANCELED);
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"a folder", "kept", "source"}));
}

TEST(CopyFileDataWindows, PathsLongerThanTheOldLimitWork)
{
    TempDir dir;
    fs::path deep = dir.Path();
    for (int i = 0; i < 6; ++i)
        deep /= std::string(60, static_cast<char>('a' + i));
    ASSERT_GT(deep.native().size(), 300u);
    ASSERT_TRUE(MakePrivateFolder(deep));
    const std::string bytes = "deep down";
    ASSERT_TRUE(ReplaceFileWith(deep / "file.txt", bytes.data(), bytes.size()));
    EXPECT_TRUE(CopyFileData(deep / "file.txt", deep / fs::u8path(kWideName)));
    EXPECT_EQ(StatusOf(deep / fs::u8path(kWideName)).size, bytes.size());

    StoredCopies store(deep / "copied-files");
    fs::path stored = store.Store(deep / "file.txt", 1, "file.txt", nullptr, nullptr);
    ASSERT_FALSE(stored.empty());
    EXPECT_TRUE(StoredCopies::RemoveIfOurs(deep / "copied-files"));
    EXPECT_EQ(StoredCopies::Examine(deep / "copied-files"), StoredCopies::Found::Nothing);
}

TEST(StoredCopiesWindows, OnlyOurOwnFolderIsUsedAndRemoved)
{
    TempDir dir;
    WriteFile(dir / kWideName, "report");
    StoredCopies store(dir / "copied-files");
    fs::path first = store.Store(dir / kWideName, 1, kWideName, nullptr, nullptr);
    ASSERT_EQ(first, dir / "copied-files" / "1" / fs::u8path(kWideName));
    EXPECT_EQ(ReadFile(first), "report");
    EXPECT_EQ(StoredCopies::Examine(dir / "copied-files"), StoredCopies::Found::Ours);

    // A stored copy put back and recorded again shares its bytes.
    fs::path again = store.Store(first, 2, kWideName, nullptr, nullptr);
    ASSERT_FALSE(again.empty());
    WriteFile(first, "changed");
    EXPECT_EQ(ReadFile(again), "changed");

    // Read-only copies go too.
    ::SetFileAttributesW(first.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(StoredCopies::RemoveIfOurs(dir / "copied-files"));
    EXPECT_FALSE(fs::exists(dir / "copied-files"));
    EXPECT_EQ(ReadFile(dir / kWideName), "report");

    // Anything else under the name is left alone and not written into.
    fs::create_directories(dir / "taken");
    WriteFile(dir / "taken" / "theirs", "theirs");
    EXPECT_EQ(StoredCopies::Examine(dir / "taken"), StoredCopies::Found::Taken);
    EXPECT_TRUE(StoredCopies::RemoveIfOurs(dir / "taken"));
    EXPECT_EQ(ReadFile(dir / "taken" / "theirs"), "theirs");
    StoredCopies other(dir / "taken");
    int error = 0;
    EXPECT_TRUE(other.Store(dir / kWideName, 1, kWideName, nullptr, &error).empty());
    EXPECT_EQ(Names(dir / "taken"), std::vector<std::string>{"theirs"});

    for (const char* bad : {"", ".", "..", "a\\b", "a/b", "c:d"})
        EXPECT_FALSE(IsStorableName(bad)) << bad;
}

TEST(InstanceLockWindows, OneProgramPerFolderWhateverTheSpelling)
{
    TempDir dir;
    fs::create_directories(dir / kWideName);
    {
        InstanceLock first, second, elsewhere;
        EXPECT_TRUE(first.Acquire(dir / kWideName));
        EXPECT_FALSE(second.Acquire(dir / kWideName));
        // The file system ignores case, and so does the lock.
        std::wstring upper = (dir / kWideName).native();
        ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
        EXPECT_FALSE(second.Acquire(fs::path(upper)));
        EXPECT_TRUE(elsewhere.Acquire(dir.Path()));
    }
    InstanceLock later;
    EXPECT_TRUE(later.Acquire(dir / kWideName));
}

TEST(FileSystemWindows, StatusAndWritableFolders)
{
    TempDir dir;
    WriteFile(dir / kWideName, std::string(5000, 'x'));
    FileStatus status = StatusOf(dir / kWideName);
    ASSERT_TRUE(status.size && status.modified && status.created);
    EXPECT_EQ(*status.size, 5000u);
    std::time_t now = std::time(nullptr);
    EXPECT_LE(std::abs(static_cast<long long>(*status.modified - now)), 60);
    EXPECT_FALSE(StatusOf(dir / "missing").size);

    EXPECT_TRUE(IsWritableFolder(dir.Path()));
    EXPECT_FALSE(IsWritableFolder(dir / "missing"));
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{kWideName});
}

TEST(ProgramPlacesWindows, AFolderTheUserCantWriteSendsRecordsToTheirOwnFolders)
{
    UserFolders user = CurrentUserFolders();
    ASSERT_FALSE(user.cache.empty());
    ASSERT_FALSE(user.documents.empty());
    EXPECT_TRUE(user.cache.is_absolute());

    TempDir dir;
    RecordPlaces portable = PlacesFor(dir.Path(), IsWritableFolder(dir.Path()), user);
    EXPECT_FALSE(portable.installed);
    EXPECT_EQ(portable.copiedFiles, dir / "copied-files");
    EXPECT_EQ(portable.saveRoot, dir.Path());

    RecordPlaces installed = PlacesFor(dir / "Program Files", false, user);
    EXPECT_TRUE(installed.installed);
    EXPECT_EQ(installed.copiedFiles, user.cache / "quillory" / "copied-files");
    EXPECT_EQ(installed.saveRoot, user.documents / "Quillory");
}
