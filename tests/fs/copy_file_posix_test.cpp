#include "fs/copy_file.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <random>

namespace fs = std::filesystem;

namespace {

std::string RandomBytes(size_t size)
{
    std::mt19937 random(42);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

bool NoPartialFilesIn(const fs::path& folder)
{
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find(".partial-") != std::string::npos)
            return false;
    return true;
}

mode_t ModeOf(const fs::path& path)
{
    struct stat info;
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

}  // namespace

TEST(CopyFileData, CopiesBytesExactlyAndReplacesTheWholeDestination)
{
    TempDir dir;
    const std::string tricky("line\r\nend\n\0\x1A" "after", 17);
    WriteFile(dir / "source", tricky);
    WriteFile(dir / "destination", std::string(1000, 'o'));  // longer: no tail may stay
    EXPECT_TRUE(CopyFileData(dir / "source", dir / "destination"));
    EXPECT_EQ(ReadFile(dir / "destination"), tricky);

    WriteFile(dir / "empty", "");
    EXPECT_TRUE(CopyFileData(dir / "empty", dir / "empty copy"));
    EXPECT_TRUE(fs::exists(dir / "empty copy"));
    EXPECT_EQ(fs::file_size(dir / "empty copy"), 0u);

    const std::string big = RandomBytes(20 << 20);  // several chunks
    WriteFile(dir / "big", big);
    EXPECT_TRUE(CopyFileData(dir / "big", dir / "big copy"));
    EXPECT_TRUE(ReadFile(dir / "big copy") == big);
    EXPECT_TRUE(NoPartialFilesIn(dir.Path()));
}

TEST(CopyFileData, ASourceThatCantBeReadLeavesTheDestinationUntouched)
{
    TempDir dir;
    WriteFile(dir / "kept", "old content");
    EXPECT_FALSE(CopyFileData(dir / "missing", dir / "kept"));
    EXPECT_EQ(ReadFile(dir / "kept"), "old content");

    EXPECT_FALSE(CopyFileData(dir / "missing", dir / "new"));
    EXPECT_FALSE(fs::exists(dir / "new"));

    WriteFile(dir / "source", "data");
    EXPECT_FALSE(CopyFileData(dir / "source", dir / "no such folder" / "copy"));
    EXPECT_FALSE(fs::exists(dir / "no such folder"));
}

TEST(CopyFileData, OnlyRegularFilesAreCopiedAndNothingBlocks)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_directory(dir / "folder");
    EXPECT_FALSE(CopyFileData(dir / "fifo", dir / "a"));
    EXPECT_FALSE(CopyFileData("/dev/zero", dir / "b"));
    EXPECT_FALSE(CopyFileData("/dev/null", dir / "c"));
    EXPECT_FALSE(CopyFileData(dir / "folder", dir / "d"));
    for (const char* name : {"a", "b", "c", "d"})
        EXPECT_FALSE(fs::exists(dir / name)) << name;

    WriteFile(dir / "target", "through the link");
    fs::create_symlink(dir / "target", dir / "link");
    EXPECT_TRUE(CopyFileData(dir / "link", dir / "e"));
    EXPECT_EQ(ReadFile(dir / "e"), "through the link");
    EXPECT_FALSE(fs::is_symlink(dir / "e"));
}

TEST(CopyFileData, TheSameFileIsLeftAlone)
{
    TempDir dir;
    WriteFile(dir / "file", "precious");
    fs::create_symlink(dir / "file", dir / "alias");
    EXPECT_TRUE(CopyFileData(dir / "file", dir / "file"));
    EXPECT_TRUE(CopyFileData(dir / "alias", dir / "file"));
    EXPECT_TRUE(CopyFileData(dir / "file", dir / "alias"));
    EXPECT_EQ(ReadFile(dir / "file"), "precious");
    EXPECT_TRUE(fs::is_symlink(dir / "alias"));
}

TEST(CopyFileData, CopiesKeepTheSourcesPermissionBits)
{
    TempDir dir;
    WriteFile(dir / "key", "secret");
    ::chmod((dir / "key").c_str(), 0600);
    WriteFile(dir / "tool", "#!/bin/sh\n");
    ::chmod((dir / "tool").c_str(), 0755);
    ASSERT_TRUE(CopyFileData(dir / "key", dir / "key copy"));
    ASSERT_TRUE(CopyFileData(dir / "tool", dir / "tool copy"));
    EXPECT_EQ(ModeOf(dir / "key copy"), 0600u);
    EXPECT_EQ(ModeOf(dir / "tool copy"), 0755u);
}

TEST(CopyFileData, AFailedOrStoppedCopyLeavesNoPartialFile)
{
    TempDir dir;
    WriteFile(dir / "big", RandomBytes(4 << 20));
    WriteFile(dir / "kept", "old content");

    std::atomic<bool> stop{true};
    EXPECT_FALSE(CopyFileData(dir / "big", dir / "kept", &stop));
    EXPECT_EQ(ReadFile(dir / "kept"), "old content");

    // A disk that fills up: writes past 1 MiB fail.
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit old;
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 1 << 20;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool copied = CopyFileData(dir / "big", dir / "kept");
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(copied);
    EXPECT_EQ(ReadFile(dir / "kept"), "old content");
    EXPECT_TRUE(NoPartialFilesIn(dir.Path()));
}
