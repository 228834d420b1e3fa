#include "app/program_paths.h"

#include <unistd.h>

#include <system_error>
#include <vector>

namespace fs = std::filesystem;

fs::path ExecutablePath(const fs::path& fallback)
{
    std::vector<char> buffer(4096);
    for (;;)
    {
        ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return fallback;
        if (static_cast<size_t>(length) < buffer.size())
            return fs::path(std::string(buffer.data(), static_cast<size_t>(length)));
        buffer.resize(buffer.size() * 2);
    }
}

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
