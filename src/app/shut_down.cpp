#include "app/shut_down.h"

#include "capture/clip_logger.h"
#include "capture/record_inbox.h"
#include "platform/clipboard_connection.h"
#include "records/stored_copies.h"

bool ShutDown::Run(const Parts& parts)
{
    if (m_done)
        return m_allEnded;
    m_done = true;
    const Clock::time_point start = Clock::now();

    // Stopped, not destroyed: a results window may still hold it until the
    // windows go.
    if (parts.clipboard)
        parts.clipboard->Stop();
    if (parts.inbox)
        parts.inbox->Close();
    if (parts.capture)
        parts.capture->RequestStop();
    // The stored copies are what saves of files read, so a save finishes
    // (or stops) before they go.
    if (parts.windowWork && !parts.windowWork(start + kSaveGrace, start + kStopLimit))
        m_allEnded = false;
    // A long decode or a hung file system; let go, it writes nothing more.
    if (parts.capture && !parts.capture->Stop(start + kStopLimit))
        m_allEnded = false;
    if (!parts.storedCopies.empty())
        RemoveStoredCopies(parts.storedCopies);
    return m_allEnded;
}

void ShutDown::RemoveStoredCopies(const std::filesystem::path& folder)
{
    // Moved aside at once, so that a record's folder the capture thread
    // makes at this moment lands in what is removed.
    StoredCopies::RemoveSoon(folder, kRemovalBudget);
}
