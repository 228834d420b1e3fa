#pragma once

#include "image/image_record.h"
#include "text/text_records.h"

#include <condition_variable>
#include <ctime>
#include <deque>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

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
    std::filesystem::path programDir;
    std::string stamp;  // TimeStampName() of the moment of the command
    TextRecords texts;
    std::vector<ImageRecord> images;
    std::vector<std::filesystem::path> storedCopies;  // one per file record, in order
};

// "07-03-26_14-05-09": day, month, two-digit year, then the local time.
std::string TimeStampName(std::time_t when);

// The folders a command creates, in the order it creates them.
std::vector<std::filesystem::path> SaveFolders(const SaveJob& job);

// A name not yet in `used` for the next file of that name: "report.txt",
// then "report (2).txt", "report (3).txt"; the name is added to `used`.
std::string UniqueFileName(const std::string& name, std::set<std::string>& used);

// Writes everything the job holds into its folders below the program
// directory. Failures are silent; nothing half-written is left behind.
void RunSave(const SaveJob& job);

// Runs save jobs one after another on a thread of its own, so that neither
// recording nor the window waits for a save.
class SaveQueue
{
public:
    SaveQueue() = default;
    ~SaveQueue() { Finish(); }
    SaveQueue(const SaveQueue&) = delete;
    SaveQueue& operator=(const SaveQueue&) = delete;

    void Submit(SaveJob job);

    // Waits until every submitted job is written, then ends the thread.
    void Finish();

private:
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<SaveJob> m_jobs;
    bool m_finishing = false;
    std::thread m_thread;
};
