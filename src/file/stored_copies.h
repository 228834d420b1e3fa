#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <utility>

// The copied-files folder, where every recorded file gets a copy of its
// own. The program only ever writes into a folder it made itself, private
// to the user and marked as its own, and it writes there through the
// folder's descriptor, never through a symbolic link; it only ever removes
// such a folder. Whatever else stands under the name (a link, a file, a
// folder of someone else's) is left alone, and files are then recorded
// without stored copies.
// Whether `name` can be a stored copy's name: one name, never a path.
bool IsStorableName(const std::string& name);

class StoredCopies
{
public:
    enum class Found
    {
        Nothing,  // the name is free
        Ours,     // a folder this program made, in this run or an earlier one
        Taken     // anything else
    };

    explicit StoredCopies(std::filesystem::path folder);
    ~StoredCopies();
    StoredCopies(const StoredCopies&) = delete;
    StoredCopies& operator=(const StoredCopies&) = delete;

    static Found Examine(const std::filesystem::path& folder);

    // Removes the folder and everything in it when it is ours, without
    // following any link inside; true when nothing of ours is left.
    static bool RemoveIfOurs(const std::filesystem::path& folder);

    // Stores a copy of `source` for record `number` as `name` and returns
    // where it lies; empty, with `error` set, when no copy could be made.
    // The folder is made when the first copy needs it. A source that is
    // itself one of the copies stored here is linked, not copied again.
    std::filesystem::path Store(const std::filesystem::path& source, std::uint32_t number, const std::string& name,
                                const std::atomic<bool>* stop, int* error);

    // Makes every later Store() fail: the name is taken.
    void Disable() { m_disabled = true; }

private:
    bool OpenFolder(int* error);

    // The folder held open while the program writes into it; what that
    // takes is the system's business.
    struct HeldFolder;

    std::filesystem::path m_folder;
    std::unique_ptr<HeldFolder> m_dir;
    bool m_disabled = false;
    // The files this run stored, by the system's identity of a file (device
    // or volume, and the file's number on it).
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_stored;
};
