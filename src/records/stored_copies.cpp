#include "records/stored_copies.h"

#include "fs/outcome.h"

#include <algorithm>
#include <cerrno>

std::uint64_t FreeSpaceReserve(std::uint64_t fileSystemBytes)
{
    return std::max<std::uint64_t>(std::uint64_t(1) << 30, fileSystemBytes / 20);
}

CopyLimit StoredCopyLimit(std::uint64_t size, bool sizeless)
{
    CopyLimit limit;
    if (sizeless || size == 0)
    {
        limit.bytes = kSizelessFileBound;
        limit.refuseLonger = true;
    }
    else
        limit.bytes = size;
    return limit;
}

std::string ReserveMessage(const std::filesystem::path& folder, std::uint64_t reserve)
{
    const std::uint64_t mb = reserve >> 20;
    const std::string amount = mb >= 1024 && mb % 1024 == 0 ? std::to_string(mb / 1024) + " GB"
                                                             : std::to_string(mb) + " MB";
    return "Quillory keeps a copy of every file it records in\n\n" + folder.u8string() +
           "\n\nbut the disk it is on has too little free space: a copy would leave less than " + amount +
           " free there. Files are recorded without stored copies while the disk is this full.";
}

bool StoredCopies::HasRoomFor(std::uint64_t bytes, int* error)
{
    std::uint64_t free = 0, total = 0;
    if (!SpaceOf(free, total))
        return true;  // nothing known: the copy itself finds out
    const std::uint64_t reserve = FreeSpaceReserve(total);
    if (free >= reserve && free - reserve >= bytes)
        return true;
    // Told once; every later copy is refused without a word.
    if (!m_reserveReached && m_told)
        m_told(ReserveMessage(m_folder, reserve));
    m_reserveReached = true;
    return FailWith(error, ENOSPC);
}
