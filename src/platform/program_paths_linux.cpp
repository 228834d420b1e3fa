// The user's folders as the free desktops name them.

#include "platform/program_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

UserFolders CurrentUserFolders()
{
    UserFolders user;
    auto absolute = [](const char* name) -> fs::path {
        const char* value = std::getenv(name);
        return value && value[0] == '/' ? fs::path(value) : fs::path();
    };
    user.home = absolute("HOME");
    user.cache = absolute("XDG_CACHE_HOME");
    if (user.cache.empty() && !user.home.empty())
        user.cache = user.home / ".cache";

    fs::path config = absolute("XDG_CONFIG_HOME");
    if (config.empty() && !user.home.empty())
        config = user.home / ".config";
    if (!config.empty())
    {
        std::ifstream in(config / "user-dirs.dirs");
        user.documents = DocumentsFolderFrom(
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), user.home);
    }
    std::error_code ec;
    if (user.documents.empty() && !user.home.empty())
        user.documents = fs::is_directory(user.home / "Documents", ec) ? user.home / "Documents" : user.home;
    return user;
}

bool IsWritableFolder(const std::filesystem::path& folder)
{
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

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
