#pragma once

#include "capture/clip_snapshot.h"
#include "image/image_record.h"

#include <wx/thread.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

class CaptureSink;

// The capture thread. It sleeps until the clipboard reader hands it a
// snapshot, then runs one poll on it: decides what is new against the
// last-seen values it alone owns, does the heavy work, and passes new
// records to the sink. Joinable, so that shut-down can wait for it.
class ClipLogger : public wxThread
{
public:
    // Stored copies of recorded files go below `copiedFiles`, which is
    // created when the first one is needed.
    ClipLogger(CaptureSink* sink, std::filesystem::path copiedFiles);

    // Queues a snapshot for the thread; callable from any thread.
    void Submit(ClipSnapshot snapshot);

    // Asks the thread to finish: it ends after the poll in progress, and
    // long work inside a poll watches StopRequested().
    void RequestStop();
    bool StopRequested() const { return m_stop.load(std::memory_order_relaxed); }

    // One poll. Entry() runs it for every queued snapshot; tests call it
    // directly to drive the rules without a thread.
    void Poll(const ClipSnapshot& snapshot);

protected:
    ExitCode Entry() override;

private:
    void PollText(const std::string& text);
    void PollImage(const Bytes& data);
    void PollFiles(const std::vector<std::filesystem::path>& files);

    std::string m_lastText;  // UTF-8; compared bytewise, which is per character
    ImageFingerprint m_lastBitmap;
    std::vector<std::filesystem::path> m_lastFiles;  // the whole last list, in order
    std::uint32_t m_fileCount = 0;                    // file records handed over so far
    std::filesystem::path m_copiedFiles;
    CaptureSink* m_sink;

    std::mutex m_queueMutex;
    std::condition_variable m_wake;
    std::deque<ClipSnapshot> m_queue;
    std::atomic<bool> m_stop{false};
};
