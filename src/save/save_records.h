#pragma once

#include "imaging/image_record.h"
#include "records/text_records.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class Worker;

// What one save command writes, taken on the GUI thread the moment the
// command is given: its time stamp and the records as they were then.
// Records captured afterwards are not part of it.
struct SaveJob
{
    enum class Kind
    {
        Everything,
        Text,
        Images,
        Files
    };

    Kind kind = Kind::Everything;
    std::filesystem::path saveRoot;  // the folder that holds manual-save
    std::string stamp;  // TimeStampName() of the moment of the command
    TextRecords texts;
    std::vector<ImageRecord> images;
    std::vector<std::filesystem::path> storedCopies;  // one per file record, in order; empty: none made
};

// What became of a save: how many records could not be written, and why
// the first of them could not.
struct SaveReport
{
    std::size_t records = 0;  // the command's, written or not
    std::size_t failed = 0;
    std::filesystem::path folder;  // the command's own folder
    std::string firstReason;
    bool cancelled = false;  // stopped by the program's end
};

// The message that tells the user what a failed save left out.
std::string SaveFailureMessage(const SaveReport& report);

// "07-03-26_14-05-09": day, month, two-digit year, then the local time.
std::string TimeStampName(std::time_t when);

// The folders a command creates, in the order it creates them.
std::vector<std::filesystem::path> SaveFolders(const SaveJob& job);

// A name not yet in `used` for the next file of that name: "report.txt",
// then "report (2).txt", "report (3).txt"; the name is added to `used`.
// Every name fits the file system's limit of kMaxNameBytes: a long stem is
// shortened at a character boundary, and the extension kept.
constexpr std::size_t kMaxNameBytes = 255;
std::string UniqueFileName(const std::string& name, std::set<std::string>& used);

// Writes everything the job holds into its folders below the program
// directory; nothing half-written is left behind. `stop` ends it early.
SaveReport RunSave(const SaveJob& job, const std::atomic<bool>* stop = nullptr);

// Runs save jobs one after another on a thread of its own, so that neither
// recording nor the window waits for a save. `done` hears of each job on
// that thread, unless the queue was finished first.
class SaveQueue
{
public:
    explicit SaveQueue(std::function<void(const SaveReport&)> done = nullptr);
    ~SaveQueue();
    SaveQueue(const SaveQueue&) = delete;
    SaveQueue& operator=(const SaveQueue&) = delete;

    void Submit(SaveJob job);

    // Lets the jobs run until `grace` has passed, then stops them and waits
    // for the thread until `deadline`. False when the thread is still busy
    // then: it is let go, and ends on its own or with the process; it
    // writes nothing that is not complete, and reports nothing.
    bool Finish(std::chrono::steady_clock::time_point grace, std::chrono::steady_clock::time_point deadline);

    // Waits for every job, however long.
    void Finish();

private:
    using Done = std::function<void(const SaveReport&)>;
    std::shared_ptr<const Done> m_done;  // shared with jobs that may be let go
    std::unique_ptr<Worker> m_worker;    // made with the first job after each finish
};
