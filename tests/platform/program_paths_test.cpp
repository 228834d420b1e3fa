#include "platform/instance_lock.h"
#include "platform/program_paths.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <memory>


namespace fs = std::filesystem;


TEST(ProgramDirectory, IsTheExecutablesFolder)
{
    EXPECT_EQ(ProgramDirectoryOf("/opt/quillory/bin/quillory"), fs::path("/opt/quillory/bin"));
    EXPECT_EQ(ProgramDirectoryOf("quillory"), fs::current_path());  // never the root
}

TEST(RecordPlaces, BesideTheProgramWhenItIsTheUsersOwn)
{
    UserFolders user{"/home/u", "/home/u/.cache", "/home/u/Docs"};
    RecordPlaces portable = PlacesFor("/home/u/apps/quillory", true, user);
    EXPECT_FALSE(portable.installed);
    EXPECT_EQ(portable.copiedFiles, fs::path("/home/u/apps/quillory/copied-files"));
    EXPECT_EQ(portable.saveRoot, fs::path("/home/u/apps/quillory"));
    EXPECT_EQ(portable.lockFolder, fs::path("/home/u/apps/quillory"));

    // Installed, or in a folder the user can't write, or run as root from a
    // system folder: the user's cache and documents, one program per user.
    for (const char* dir : {"/usr/local/bin", "/usr/bin", "/opt/quillory/bin", "/snap/bin", "/home/other/bin"})
    {
        RecordPlaces installed = PlacesFor(dir, std::string(dir) != "/home/other/bin", user);
        EXPECT_TRUE(installed.installed) << dir;
        EXPECT_EQ(installed.copiedFiles, fs::path("/home/u/.cache/quillory/copied-files")) << dir;
        EXPECT_EQ(installed.saveRoot, fs::path("/home/u/Docs/Quillory")) << dir;
        EXPECT_EQ(installed.lockFolder, fs::path("/home/u/.cache/quillory")) << dir;
    }
    EXPECT_FALSE(IsSystemFolder("/usrlocal/bin"));
    EXPECT_FALSE(IsSystemFolder("/home/u/usr"));
    EXPECT_TRUE(IsSystemFolder("/usr/../usr/games"));
}

TEST(RecordPlaces, TheDocumentsFolderAsTheDesktopNamesIt)
{
    const std::string dirs = "# written by xdg-user-dirs-update\n"
                             "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                             "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
    EXPECT_EQ(DocumentsFolderFrom(dirs, "/home/u"), fs::path("/home/u/Dokumente"));
    EXPECT_EQ(DocumentsFolderFrom("XDG_DOCUMENTS_DIR=\"/srv/docs\"\n", "/home/u"), fs::path("/srv/docs"));
    EXPECT_EQ(DocumentsFolderFrom("XDG_DOCUMENTS_DIR=\"relative\"\n", "/home/u"), fs::path());
    EXPECT_EQ(DocumentsFolderFrom("XDG_MUSIC_DIR=\"$HOME/Music\"\n", "/home/u"), fs::path());
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
