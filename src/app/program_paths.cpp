#include "app/program_paths.h"

#include <system_error>

namespace fs = std::filesystem;

fs::path ProgramDirectoryOf(const fs::path& executablePath)
{
    fs::path dir = executablePath.parent_path();
    if (dir.empty())
        return fs::current_path();
    return dir;
}

fs::path CopiedFilesFolder(const fs::path& programDir)
{
    return programDir / "copied-files";
}

void DeleteDirectoryTree(const fs::path& folder)
{
    std::error_code ec;
    // remove_all unlinks symbolic links instead of descending into them,
    // so a link to a folder elsewhere leaves that folder's content alone.
    fs::remove_all(folder, ec);
}
