#pragma once

#include "fs/copy_file.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
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

// Stored copies never take the disk they are on below this much free
// space: the larger of 1 GiB and 5% of the file system's size, so that the
// user's other programs go on working whatever is copied.
std::uint64_t FreeSpaceReserve(std::uint64_t fileSystemBytes);

// A stored copy holds at most the bytes the file had when it was recorded.
// A file whose size says nothing of its content (size 0, or a file of a
// pseudo file system such as /proc or /sys, whose reads may never end) is
// stored only when all of it fits in kSizelessFileBound; else it gets no
// stored copy.
constexpr std::uint64_t kSizelessFileBound = std::uint64_t(1) << 20;
CopyLimit StoredCopyLimit(std::uint64_t size, bool sizeless);

// What the user is told, once per run, when the reserve stops the copies.
std::string ReserveMessage(const std::filesystem::path& folder, std::uint64_t reserve);

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

    // The same at the program's end, within about `budget` however many
    // copies there are: the folder leaves its place at once, and what the
    // budget does not cover is removed by a process of the system's own
    // that outlives this one (what a lost one leaves, the next start's
    // RemoveLeftAside() removes).
    static bool RemoveSoon(const std::filesystem::path& folder, std::chrono::milliseconds budget);
    static void RemoveLeftAside(const std::filesystem::path& folder);

    // Stores a copy of `source` for record `number` as `name` and returns
    // where it lies; empty, with `error` set, when no copy could be made.
    // The folder is made when the first copy needs it. A source that is
    // itself one of the copies stored here is linked, not copied again.
    std::filesystem::path Store(const std::filesystem::path& source, std::uint32_t number, const std::string& name,
                                const std::atomic<bool>* stop, int* error);

    // Makes every later Store() fail: the name is taken.
    void Disable() { m_disabled = true; }

    // `told` hears ReserveMessage() the first time a copy is not made for
    // want of free space, on the storing thread.
    void OnReserveReached(std::function<void(const std::string& message)> told) { m_told = std::move(told); }

private:
    bool OpenFolder(int* error);
    // Whether `bytes` more leave the reserve free; tells the user once when
    // they don't.
    bool HasRoomFor(std::uint64_t bytes, int* error);
    // The free and whole size of the folder's file system; false when the
    // system can't tell.
    bool SpaceOf(std::uint64_t& free, std::uint64_t& total) const;

    // The folder held open while the program writes into it; what that
    // takes is the system's business.
    struct HeldFolder;

    std::filesystem::path m_folder;
    std::unique_ptr<HeldFolder> m_dir;
    bool m_disabled = false;
    // The files this run stored, by the system's identity of a file (device
    // or volume, and the file's number on it).
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_stored;
    // The copy made of each file, by its identity, size and modification
    // time: the same file recorded again unchanged shares that copy.
    // Paths below the folder.
    std::map<std::tuple<std::uint64_t, std::uint64_t, std::uint64_t, std::int64_t>, std::filesystem::path> m_copies;
    std::function<void(const std::string&)> m_told;
    bool m_reserveReached = false;
};
