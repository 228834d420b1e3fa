#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// An advisory lock on the folder itself.

InstanceLock::~InstanceLock()
{
    if (m_held)
        ::close(static_cast<int>(m_lock));
}

bool InstanceLock::Acquire(const std::filesystem::path& folder)
{
    if (m_held)
        return true;
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return true;  // nothing to share a folder we can't open with
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
    {
        ::close(fd);
        return false;
    }
    m_lock = fd;
    m_held = true;
    return true;
}
