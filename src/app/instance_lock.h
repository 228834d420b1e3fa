#pragma once

#include <filesystem>

// One running program per program directory: two would share the
// copied-files folder, and the first to exit would delete the other's
// stored copies. The lock is an advisory lock on the folder itself, so it
// creates nothing there and dies with the process.
class InstanceLock
{
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another program holds the folder.
    bool Acquire(const std::filesystem::path& folder);

private:
    int m_fd = -1;
};
