#include "platform/program_paths.h"

#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

fs::path ProgramDirectoryOf(const fs::path& executablePath)
{
    fs::path dir = executablePath.parent_path();
    if (dir.empty())
        return fs::current_path();
    return dir;
}

bool IsSystemFolder(const fs::path& folder)
{
    fs::path clean = folder.lexically_normal();
    auto part = clean.begin();
    if (part == clean.end() || *part != "/" || ++part == clean.end())
        return false;
    for (const char* top : {"usr", "bin", "sbin", "opt", "snap"})
        if (*part == top)
            return true;
    return false;
}

fs::path DocumentsFolderFrom(const std::string& userDirs, const fs::path& home)
{
    std::istringstream lines(userDirs);
    std::string line;
    while (std::getline(lines, line))
    {
        const std::string key = "XDG_DOCUMENTS_DIR=";
        size_t at = line.find_first_not_of(" \t");
        if (at == std::string::npos || line.compare(at, key.size(), key) != 0)
            continue;
        std::string value = line.substr(at + key.size());
        if (value.size() < 2 || value.front() != '"' || value.back() != '"')
            continue;
        value = value.substr(1, value.size() - 2);
        // The format allows only an absolute path or one relative to $HOME.
        if (value.rfind("$HOME", 0) == 0)
            return home / fs::path(value.substr(5)).relative_path();
        if (!value.empty() && value.front() == '/')
            return value;
    }
    return {};
}

RecordPlaces PlacesFor(const fs::path& programDir, bool writable, const UserFolders& user)
{
    RecordPlaces places;
    if (writable && !IsSystemFolder(programDir))
    {
        places.copiedFiles = programDir / "copied-files";
        places.saveRoot = programDir;
        places.lockFolder = programDir;
        return places;
    }
    places.installed = true;
    const fs::path cache = user.cache / "quillory";
    places.copiedFiles = cache / "copied-files";
    places.saveRoot = user.documents / "Quillory";
    places.lockFolder = cache;
    return places;
}

fs::path FindProgramFile(const fs::path& relative, const std::string& installedName)
{
    std::error_code ec;
    if (fs::is_regular_file(relative, ec))
        return relative;
    const fs::path executable = ExecutablePath();
    if (!executable.empty())
    {
        const fs::path bin = executable.parent_path();
        for (const fs::path& candidate :
             {bin.parent_path() / "share" / "quillory" / fs::u8path(installedName), bin / relative,
              bin / fs::u8path(installedName)})
            if (fs::is_regular_file(candidate, ec))
                return candidate;
    }
    return relative;
}
