#include "platform/program_files.h"

#include <unistd.h>

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
