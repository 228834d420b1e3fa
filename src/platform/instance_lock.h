#pragma once

#include <cstdint>
#include <filesystem>

// One running program per program directory: two would share the
// copied-files folder, and the first to exit would delete the other's
// stored copies. The lock creates nothing in the folder and dies with the
// process.
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
    // The system's handle of what is held: a descriptor, or a handle.
    std::intptr_t m_lock = 0;
    bool m_held = false;
};
