#include "records/stored_copies.h"

#include "fs/file_calls_linux.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path Store(StoredCopies& store, const fs::path& source, std::uint32_t number, int* error = nullptr)
{
    int ignored = 0;
    return store.Store(source, number, source.filename().native(), nullptr, error ? error : &ignored);
}

}  // namespace

TEST(StoredCopies, MakesItsFolderPrivateAndMarkedAndRemovesItWhole)
{
    TempDir dir;
    WriteFile(dir / "a.txt", "a");
    StoredCopies store(dir / "copied-files");
    EXPECT_EQ(StoredCopies::Examine(dir / "copied-files"), StoredCopies::Found::Nothing);
    EXPECT_EQ(Store(store, dir / "a.txt", 1), dir / "copied-files" / "1" / "a.txt");
    EXPECT_EQ(StoredCopies::Examine(dir / "copied-files"), StoredCopies::Found::Ours);

    // What a later start finds of a run that was killed is removed, links
    // inside included, without following them.
    WriteFile(dir / "outside", "keep me");
    fs::create_symlink(dir / "outside", dir / "copied-files" / "1" / "link");
    fs::create_directory_symlink(dir.Path(), dir / "copied-files" / "dirlink");
    EXPECT_TRUE(StoredCopies::RemoveIfOurs(dir / "copied-files"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "copied-files")));
    EXPECT_EQ(ReadFile(dir / "outside"), "keep me");
    EXPECT_TRUE(fs::exists(dir / "a.txt"));
}

TEST(StoredCopies, NeverUsesOrRemovesANameTakenBySomethingElse)
{
    TempDir dir;
    WriteFile(dir / "private.txt", "private");
    fs::create_directories(dir / "elsewhere");

    // A link to a folder elsewhere.
    {
        fs::create_directory_symlink(dir / "elsewhere", dir / "copied-files");
        EXPECT_EQ(StoredCopies::Examine(dir / "copied-files"), StoredCopies::Found::Taken);
        StoredCopies store(dir / "copied-files");
        int error = 0;
        EXPECT_TRUE(Store(store, dir / "private.txt", 1, &error).empty());
        EXPECT_NE(error, 0);
        EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
        EXPECT_TRUE(StoredCopies::RemoveIfOurs(dir / "copied-files"));
        EXPECT_TRUE(fs::is_symlink(dir / "copied-files"));
        fs::remove(dir / "copied-files");
    }
    // A folder open to everyone with a link planted inside.
    {
        fs::create_directories(dir / "copied-files");
        ::chmod((dir / "copied-files").c_str(), 0777);
        fs::create_directory_symlink(dir / "elsewhere", dir / "copied-files" / "1");
        EXPECT_EQ(StoredCopies::Examine(dir / "copied-files"), StoredCopies::Found::Taken);
        StoredCopies store(dir / "copied-files");
        EXPECT_TRUE(Store(store, dir / "private.txt", 1).empty());
        EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
        StoredCopies::RemoveIfOurs(dir / "copied-files");
        EXPECT_TRUE(fs::is_symlink(dir / "copied-files" / "1"));
        fs::remove_all(dir / "copied-files");
    }
    // A private folder of the user's that merely has the name, and a file.
    {
        fs::create_directories(dir / "copied-files");
        ::chmod((dir / "copied-files").c_str(), 0700);
        WriteFile(dir / "copied-files" / "mine", "mine");
        EXPECT_EQ(StoredCopies::Examine(dir / "copied-files"), StoredCopies::Found::Taken);
        StoredCopies::RemoveIfOurs(dir / "copied-files");
        EXPECT_EQ(ReadFile(dir / "copied-files" / "mine"), "mine");
        fs::remove_all(dir / "copied-files");
        WriteFile(dir / "copied-files", "a file of the user's");
        EXPECT_EQ(StoredCopies::Examine(dir / "copied-files"), StoredCopies::Found::Taken);
        StoredCopies::RemoveIfOurs(dir / "copied-files");
        EXPECT_EQ(ReadFile(dir / "copied-files"), "a file of the user's");
    }
}

TEST(StoredCopies, StoresEveryNameTheFileSystemTakes)
{
    TempDir dir;
    // 84 three-byte characters: 252 bytes, where a suffixed temporary name
    // would pass the limit of 255.
    std::string name;
    for (int i = 0; i < 84; ++i)
        name += "\xE6\x96\x87";
    name += ".x";
    name = name.substr(0, 255);
    WriteFile(dir / name, "long name");
    StoredCopies store(dir / "copied-files");
    fs::path stored = Store(store, dir / name, 1);
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(ReadFile(stored), "long name");
}

TEST(StoredCopies, SparseFilesKeepTheirHoles)
{
    TempDir dir;
    {
        FileDescriptor fd(::open((dir / "disk.img").c_str(), O_WRONLY | O_CREAT, 0600));
        ASSERT_TRUE(fd.Valid());
        ASSERT_EQ(::pwrite(fd.Get(), "data", 4, 512 << 20), 4);  // 512 MiB, one block of data
        ASSERT_EQ(::ftruncate(fd.Get(), 1 << 30), 0);
    }
    StoredCopies store(dir / "copied-files");
    fs::path stored = Store(store, dir / "disk.img", 1);
    ASSERT_FALSE(stored.empty());
    struct stat status;
    ASSERT_EQ(::stat(stored.c_str(), &status), 0);
    EXPECT_EQ(status.st_size, 1 << 30);
    EXPECT_LT(status.st_blocks * 512, 1 << 20);  // nowhere near a gigabyte on disk
    FileDescriptor fd(::open(stored.c_str(), O_RDONLY));
    char data[4] = {};
    ASSERT_EQ(::pread(fd.Get(), data, 4, 512 << 20), 4);
    EXPECT_EQ(std::string(data, 4), "data");
}

TEST(StoredCopies, PseudoFilesAreStoredOnlyWhenTheyEndWithinTheBound)
{
    TempDir dir;
    StoredCopies store(dir / "copied-files");
    // Reads of a process's page map go on for gigabytes.
    int error = 0;
    EXPECT_TRUE(store.Store("/proc/self/pagemap", 1, "pagemap", nullptr, &error).empty());
    EXPECT_EQ(error, EFBIG);
    EXPECT_FALSE(fs::exists(dir / "copied-files" / "1" / "pagemap"));
    // A small one, whose size says 0, is stored whole.
    fs::path status = store.Store("/proc/self/status", 2, "status", nullptr, &error);
    ASSERT_FALSE(status.empty());
    EXPECT_NE(ReadFile(status).find("Name:"), std::string::npos);
}

TEST(StoredCopies, AFileRecordedAgainUnchangedSharesItsCopy)
{
    TempDir dir;
    WriteFile(dir / "big.bin", std::string(1 << 20, 'b'));
    StoredCopies store(dir / "copied-files");
    fs::path first = Store(store, dir / "big.bin", 1);
    fs::path second = Store(store, dir / "big.bin", 2);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    struct stat a, b;
    ASSERT_EQ(::stat(first.c_str(), &a), 0);
    ASSERT_EQ(::stat(second.c_str(), &b), 0);
    EXPECT_EQ(a.st_ino, b.st_ino);

    // Changed since: a copy of its own, of what it holds now.
    ::usleep(10000);
    WriteFile(dir / "big.bin", "changed");
    fs::path third = Store(store, dir / "big.bin", 3);
    EXPECT_EQ(ReadFile(third), "changed");
    EXPECT_EQ(ReadFile(first), std::string(1 << 20, 'b'));
}
