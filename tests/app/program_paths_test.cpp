#include "app/instance_lock.h"
#include "app/program_paths.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <memory>


namespace fs = std::filesystem;


TEST(ProgramDirectory, IsTheExecutablesFolder)
{
    EXPECT_EQ(ProgramDirectoryOf("/opt/quillory/bin/quillory"), fs::path("/opt/quillory/bin"));
    EXPECT_EQ(CopiedFilesFolder("/opt/quillory/bin"), fs::path("/opt/quillory/bin/copied-files"));
}

TEST(ProgramDirectory, BareNameMeansTheCurrentFolderNotTheRoot)
{
    fs::path dir = ProgramDirectoryOf("quillory");
    EXPECT_EQ(dir, fs::current_path());
    EXPECT_NE(CopiedFilesFolder(dir), fs::path("/copied-files"));
}

TEST(DeleteDirectoryTree, RemovesEveryEntryByItsRealType)
{
    TempDir temp;
    fs::path copied = temp.Path() / "copied-files";
    fs::create_directories(copied / "sub");
    fs::create_directories(copied / "old.data" / "inner");
    WriteFile(copied / "a.txt");
    WriteFile(copied / "README");
    WriteFile(copied / "Makefile");
    WriteFile(copied / "sub" / "b.jpg");
    WriteFile(copied / "old.data" / "inner" / "notes");
    // A path well over 255 characters.
    fs::path deep = copied;
    for (int i = 0; i < 12; ++i)
        deep /= std::string(40, static_cast<char>('a' + i));
    fs::create_directories(deep);
    WriteFile(deep / "deep file");

    DeleteDirectoryTree(copied);

    EXPECT_FALSE(fs::exists(copied));
    EXPECT_TRUE(fs::exists(temp.Path()));
}

TEST(DeleteDirectoryTree, NeverFollowsALinkOutOfTheFolder)
{
    TempDir temp;
    fs::path outside = temp.Path() / "user-data";
    fs::create_directories(outside);
    WriteFile(outside / "precious.txt", "keep me");
    WriteFile(temp.Path() / "precious-file");

    fs::path copied = temp.Path() / "copied-files";
    fs::create_directories(copied);
    fs::create_directory_symlink(outside, copied / "link-to-folder");
    fs::create_symlink(temp.Path() / "precious-file", copied / "link-to-file");

    DeleteDirectoryTree(copied);

    EXPECT_FALSE(fs::exists(copied));
    EXPECT_TRUE(fs::exists(outside / "precious.txt"));
    EXPECT_TRUE(fs::exists(temp.Path() / "precious-file"));
}

TEST(DeleteDirectoryTree, MissingFolderIsQuietlyNothing)
{
    TempDir temp;
    EXPECT_NO_THROW(DeleteDirectoryTree(temp.Path() / "copied-files"));
    EXPECT_TRUE(fs::exists(temp.Path()));
}

TEST(InstanceLock, OneProgramPerFolder)
{
    TempDir dir;
    auto first = std::make_unique<InstanceLock>();
    EXPECT_TRUE(first->Acquire(dir.Path()));
    InstanceLock second;
    EXPECT_FALSE(second.Acquire(dir.Path()));
    EXPECT_TRUE(fs::is_empty(dir.Path()));  // nothing written into the folder
    first.reset();
    EXPECT_TRUE(second.Acquire(dir.Path()));
}
