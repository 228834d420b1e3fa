#pragma once

#include "clipboard/clip_snapshot.h"
#include "imaging/image_record.h"
#include "records/text_records.h"

#include <wx/thread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

class CaptureSink;
class StoredCopies;

// The capture thread. It sleeps until the clipboard connection hands it a
// snapshot, then runs one poll on it: decides what is new against the
// last-seen values it alone owns, does the heavy work, and passes new
// records to the sink. Joinable, so that shut-down can wait for it.
//
// Files are examined and copied on a second thread of its own, so that a
// text or an image copied while a large or long list of files is stored is
// recorded at once; file records keep the order of their lists.
class ClipLogger : public wxThread
{
public:
    // Stored copies of recorded files go into `store`, which outlives the
    // thread.
    ClipLogger(CaptureSink* sink, StoredCopies* store);

    // Queues a snapshot for the thread; callable from any thread.
    void Submit(ClipSnapshot snapshot);

    // Asks the thread to finish: it ends after the poll in progress, and
    // long work inside a poll watches StopRequested(). Queued snapshots are
    // dropped.
    void RequestStop();
    bool StopRequested() const { return m_stop.load(std::memory_order_relaxed); }

    // Waits up to `limit` for Entry() to return; true when it has.
    bool WaitForEnd(std::chrono::milliseconds limit);

    // One poll. Entry() runs it for every queued snapshot; tests call it
    // directly to drive the rules without a thread (files are then stored
    // before it returns).
    void Poll(ClipSnapshot snapshot);

protected:
    ExitCode Entry() override;

private:
    void PollText(std::string text, ChangeTime changedAt);
    void PollImage(const Bytes& data, ChangeTime changedAt);
    void PollFiles(const std::vector<std::filesystem::path>& files, ChangeTime changedAt);
    void StoreFiles(const std::vector<std::filesystem::path>& files, ChangeTime changedAt);
    void RunFileThread();

    SharedText m_lastText;  // shared with the record made of it; compared bytewise
    ImageFingerprint m_lastBitmap;
    std::vector<std::filesystem::path> m_lastFiles;  // the whole last list, in order
    std::uint32_t m_fileCount = 0;                    // file records handed over so far (the file thread's)
    StoredCopies* m_store;
    CaptureSink* m_sink;

    std::mutex m_queueMutex;
    std::condition_variable m_wake;
    std::deque<ClipSnapshot> m_queue;
    std::atomic<bool> m_stop{false};
    bool m_ended = false;  // under m_queueMutex
    std::condition_variable m_endedSignal;

    // Lists waiting for the file thread, under m_queueMutex.
    struct FileList
    {
        std::vector<std::filesystem::path> files;
        ChangeTime changedAt;
    };
    std::deque<FileList> m_fileQueue;
    std::condition_variable m_fileWake;
    bool m_fileThreadRunning = false;  // under m_queueMutex
};
