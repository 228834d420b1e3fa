#pragma once

#include "clipboard/clip_snapshot.h"
#include "imaging/image_record.h"
#include "records/text_records.h"
#include "work/worker.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class CaptureSink;
class HeldCopy;
class StoredCopies;

// The capture thread. It sleeps until the clipboard connection hands it a
// snapshot, then runs one poll on it: decides what is new against the
// last-seen values it alone owns, does the heavy work, and passes new
// records to the sink.
//
// Files are examined and copied on a second thread of its own, so that a
// text or an image copied while a large or long list of files is stored is
// recorded at once; file records keep the order of their lists.
class ClipLogger
{
public:
    // Stored copies of recorded files go into `store`, which outlives the
    // thread. What each read found, when it is recorded or matches the
    // last record, is held in `held`, to be put back on the clipboard.
    ClipLogger(CaptureSink* sink, StoredCopies* store, std::shared_ptr<HeldCopy> held = nullptr);
    ClipLogger(const ClipLogger&) = delete;
    ClipLogger& operator=(const ClipLogger&) = delete;

    // Starts the two threads; false when they could not be made.
    bool Start();

    // Queues a snapshot for the capture thread; callable from any thread,
    // before Start() too.
    void Submit(ClipSnapshot snapshot);

    // Asks both threads to finish: they end after the poll or the file in
    // progress, and a long copy watches the stop between chunks. Queued
    // snapshots and lists are dropped.
    void RequestStop();

    // RequestStop(), then waits until `deadline`: true when both threads
    // ended. False when one was let go: it still uses this logger, its sink
    // and its store, which must then outlive the process.
    bool Stop(Worker::Clock::time_point deadline);

    // One poll. The capture thread runs it for every queued snapshot; tests
    // call it directly to drive the rules without a thread (files are then
    // stored before it returns).
    void Poll(ClipSnapshot snapshot);

private:
    void PollText(std::string text, ClipForms forms, const ClipSnapshot& read);
    void PollImage(const Bytes& data, ClipForms forms, const ClipSnapshot& read);
    void HoldImage(SharedBytes data, SharedForms forms, std::uint64_t serial);
    static SharedForms ShareForms(ClipForms forms, const SharedText& text);
    void PollFiles(const std::vector<std::filesystem::path>& files, const ClipSnapshot& read);
    void StoreFiles(const std::vector<std::filesystem::path>& files, ChangeTime changedAt);

    SharedText m_lastText;  // shared with the record made of it; compared bytewise
    ImageFingerprint m_lastBitmap;
    std::vector<std::filesystem::path> m_lastFiles;  // the whole last list, in order
    std::uint32_t m_fileCount = 0;                    // file records handed over so far (the file thread's)
    StoredCopies* m_store;
    CaptureSink* m_sink;
    std::shared_ptr<HeldCopy> m_held;

    // Declared last, so that they stop before what their tasks use goes.
    Worker m_files;
    Worker m_capture;
};
