#pragma once

#include <filesystem>
#include <string>

// Where the program keeps what it writes.
//
// Portable use: when the folder of the executable is the user's own, and
// writable, and no system folder, everything lives below it, so that
// several copies of the program never meet. Installed use (the executable
// in /usr/bin, /usr/local/bin, /opt..., or any folder the user can't write,
// as Program Files on Windows): the desktop's conventions, so that
// each user of the machine has records of their own and finds their saves.

// The folder that holds the executable named by `executablePath`. A bare
// name (a program started through PATH, as argv[0] shows it) stands for the
// current folder, never for the file-system root.
std::filesystem::path ProgramDirectoryOf(const std::filesystem::path& executablePath);

// Below /usr, /bin, /sbin, /opt or /snap: where packages put programs.
bool IsSystemFolder(const std::filesystem::path& folder);

// The user's folders as the desktop names them; empty where unknown.
struct UserFolders
{
    std::filesystem::path home;       // $HOME
    std::filesystem::path cache;      // $XDG_CACHE_HOME, else ~/.cache
    std::filesystem::path documents;  // XDG_DOCUMENTS_DIR of user-dirs.dirs, else ~/Documents, else ~
};

// Reads them from the environment and ~/.config/user-dirs.dirs; on
// Windows they are the profile, the local application data and the
// documents folder as the system names them.
UserFolders CurrentUserFolders();

// The documents folder from the text of a user-dirs.dirs file; empty when
// it names none. "$HOME" in it stands for `home`.
std::filesystem::path DocumentsFolderFrom(const std::string& userDirs, const std::filesystem::path& home);

struct RecordPlaces
{
    bool installed = false;
    std::filesystem::path copiedFiles;  // stored copies, removed at exit
    std::filesystem::path saveRoot;     // the folder that holds manual-save
    std::filesystem::path lockFolder;   // one running program per such folder
};

// Portable when `programDir` passes `writable` and is no system folder.
RecordPlaces PlacesFor(const std::filesystem::path& programDir, bool writable, const UserFolders& user);

// Whether the user may write into `folder`.
bool IsWritableFolder(const std::filesystem::path& folder);

// The running executable's path as the file system spells it, byte for
// byte whatever the encoding; `fallback` where the system can't tell.
std::filesystem::path ExecutablePath(const std::filesystem::path& fallback = {});

// A file that comes with the program: `relative` below the working folder,
// where the program always looked first; then in the installed data folder
// (<prefix>/share/quillory/<installedName>, the prefix being the folder
// above the executable's); then beside the executable. The first that
// exists, else `relative` as it was.
std::filesystem::path FindProgramFile(const std::filesystem::path& relative, const std::string& installedName);
