#include "save/save_records.h"

#include "fs/copy_file.h"
#include "fs/file_system.h"
#include "fs/outcome.h"
#include "work/worker.h"

#include <wx/time.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <set>

namespace fs = std::filesystem;

namespace {

fs::path ManualSaveFolder(const SaveJob& job)
{
    return job.saveRoot / "manual-save";
}

// Counts what could not be written and keeps the first reason.
class Outcome
{
public:
    explicit Outcome(SaveReport& report) : m_report(report) {}

    void Failed(std::size_t records, const std::string& reason)
    {
        if (records == 0)
            return;
        if (m_report.failed == 0)
            m_report.firstReason = reason;
        m_report.failed += records;
    }

    void Failed(const fs::path& where, int error) { Failed(1, Describe(where, error)); }

    static std::string Describe(const fs::path& where, int error)
    {
        return where.u8string() + ": " + std::strerror(error ? error : EIO);
    }

private:
    SaveReport& m_report;
};

// A name taken this many times over is given up on.
constexpr int kMaxClashes = 1000;

// Writes one new file as `name` in `folder`, never over a file that is
// there already: a name that is taken (by an earlier save in the same
// second, by a file the user put there, or by this save's own file of the
// same name in other case on a file system that ignores case) moves on to
// the next "name (n).ext". `write` fails with EEXIST for a taken name.
void SaveAsNew(const fs::path& folder, const std::string& name, std::set<std::string>& used, Outcome& outcome,
               const std::atomic<bool>* stop, const std::function<bool(const fs::path&, int*)>& write)
{
    for (int attempt = 0; attempt < kMaxClashes; ++attempt)
    {
        const fs::path path = folder / fs::u8path(UniqueFileName(name, used));
        int error = 0;
        if (write(path, &error))
            return;
        if (error == EEXIST)
            continue;
        if (!StopRequested(stop))
            outcome.Failed(path, error);
        return;
    }
    outcome.Failed(folder / fs::u8path(name), EEXIST);
}

void SaveTexts(const SaveJob& job, const fs::path& folder, Outcome& outcome, const std::atomic<bool>* stop)
{
    // The texts' own bytes, with the line ends they were copied with.
    std::set<std::string> used;
    for (size_t n = 1; n <= job.texts.size() && !StopRequested(stop); ++n)
    {
        const std::string& text = *job.texts[n - 1].text;
        SaveAsNew(folder, std::to_string(n) + ".txt", used, outcome, stop, [&](const fs::path& path, int* error) {
            return WriteNewFile(path, text.data(), text.size(), error);
        });
    }
}

void SaveImages(const SaveJob& job, const fs::path& folder, Outcome& outcome, const std::atomic<bool>* stop)
{
    std::set<std::string> used;
    for (size_t n = 1; n <= job.images.size() && !StopRequested(stop); ++n)
    {
        const std::string name = std::to_string(n) + ".jpg";
        const fs::path path = folder / name;
        const ImageRecord& record = job.images[n - 1];
        // A JPEG is written as it was copied: decoding and encoding it again
        // would only lose detail.
        Bytes encoded;
        const Bytes* jpeg = record.format == ImageFormat::Jpeg && record.data ? record.data.get() : &encoded;
        if (jpeg == &encoded)
        {
            encoded = FlattenedJpegOf(record);
            if (encoded.empty())
            {
                outcome.Failed(1, path.u8string() + ": the image could not be encoded as JPEG");
                continue;
            }
        }
        SaveAsNew(folder, name, used, outcome, stop, [&](const fs::path& where, int* error) {
            return WriteNewFile(where, jpeg->data(), jpeg->size(), error);
        });
    }
}

void SaveFiles(const SaveJob& job, const fs::path& folder, Outcome& outcome, const std::atomic<bool>* stop)
{
    std::set<std::string> used;
    for (size_t n = 1; n <= job.storedCopies.size() && !StopRequested(stop); ++n)
    {
        const fs::path& stored = job.storedCopies[n - 1];
        if (stored.empty())
        {
            outcome.Failed(1, "file record " + std::to_string(n) + " has no stored copy to save");
            continue;
        }
        SaveAsNew(folder, stored.filename().u8string(), used, outcome, stop, [&](const fs::path& path, int* error) {
            return CopyFileData(stored, path, stop, error, Existing::Keep);
        });
    }
}

}  // namespace

std::string TimeStampName(std::time_t when)
{
    struct tm local;
    char text[32] = {};
    if (wxLocaltime_r(&when, &local))
        std::strftime(text, sizeof text, "%d-%m-%y_%H-%M-%S", &local);
    return text;
}

std::vector<fs::path> SaveFolders(const SaveJob& job)
{
    const fs::path manual = ManualSaveFolder(job);
    const fs::path stamped = manual / job.stamp;
    switch (job.kind)
    {
    case SaveJob::Kind::Everything:
        return {manual, stamped, stamped / "text", stamped / "images", stamped / "files"};
    case SaveJob::Kind::Text:
        return {manual, manual / "text", manual / "text" / job.stamp};
    case SaveJob::Kind::Images:
        return {manual, stamped, stamped / "images"};
    case SaveJob::Kind::Files:
        return {manual, stamped, stamped / "files"};
    }
    return {};
}

namespace {

// `stem` cut to at most `bytes`, never inside a UTF-8 character.
std::string CutStem(const std::string& stem, size_t bytes)
{
    if (stem.size() <= bytes)
        return stem;
    size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(stem[end]) & 0xC0) == 0x80)
        --end;
    return stem.substr(0, end);
}

}  // namespace

std::string UniqueFileName(const std::string& name, std::set<std::string>& used)
{
    // The number goes before the extension; a leading dot starts no
    // extension, and one too long to leave room for a stem counts as stem.
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot > kMaxNameBytes / 2)
        dot = name.size();
    const std::string stem = name.substr(0, dot), extension = name.substr(dot);
    std::string candidate = CutStem(stem, kMaxNameBytes - extension.size()) + extension;
    for (int copy = 2; used.count(candidate); ++copy)
    {
        std::string number = " (" + std::to_string(copy) + ")";
        candidate = CutStem(stem, kMaxNameBytes - extension.size() - number.size()) + number + extension;
    }
    used.insert(candidate);
    return candidate;
}

std::string SaveFailureMessage(const SaveReport& report)
{
    std::string records = report.failed == 1 ? "1 record" : std::to_string(report.failed) + " records";
    return records + " could not be saved.\n\nSave folder: " + report.folder.u8string() +
           "\n\nFirst reason: " + report.firstReason;
}

SaveReport RunSave(const SaveJob& job, const std::atomic<bool>* stop)
{
    SaveReport report;
    report.records = job.texts.size() + job.images.size() + job.storedCopies.size();
    Outcome outcome(report);
    std::vector<fs::path> folders = SaveFolders(job);
    report.folder = folders.back();
    if (job.kind == SaveJob::Kind::Everything)
        report.folder = folders[1];
    for (const fs::path& folder : folders)
    {
        if (MakePrivateFolder(folder))
            continue;
        // Nothing can be written below a folder that can't be made.
        int error = errno;
        outcome.Failed(job.texts.size() + job.images.size() + job.storedCopies.size(),
                       Outcome::Describe(folder, error));
        return report;
    }
    const fs::path& last = folders.back();
    switch (job.kind)
    {
    case SaveJob::Kind::Everything:
        SaveTexts(job, folders[2], outcome, stop);
        SaveImages(job, folders[3], outcome, stop);
        SaveFiles(job, folders[4], outcome, stop);
        break;
    case SaveJob::Kind::Text:
        SaveTexts(job, last, outcome, stop);
        break;
    case SaveJob::Kind::Images:
        SaveImages(job, last, outcome, stop);
        break;
    case SaveJob::Kind::Files:
        SaveFiles(job, last, outcome, stop);
        break;
    }
    report.cancelled = StopRequested(stop);
    return report;
}

SaveQueue::SaveQueue(std::function<void(const SaveReport&)> done) : m_done(std::make_shared<const Done>(std::move(done)))
{
}

SaveQueue::~SaveQueue()
{
    Finish();
}

void SaveQueue::Submit(SaveJob job)
{
    if (!m_worker)
        m_worker = std::make_unique<Worker>();
    m_worker->Start();
    // The job holds all it uses, so that it can be let go.
    m_worker->Post([channel = m_worker->ChannelForTasks(), done = m_done, job = std::move(job)] {
        SaveReport report = RunSave(job, &channel.StopFlag());
        channel.Tell([&] {
            if (*done)
                (*done)(report);
        });
    });
}

bool SaveQueue::Finish(std::chrono::steady_clock::time_point grace, std::chrono::steady_clock::time_point deadline)
{
    if (!m_worker)
        return true;
    m_worker->WaitUntilIdle(grace);
    // Whatever is still being written stops; no report goes out after this.
    bool ended = m_worker->Stop(deadline);
    m_worker.reset();
    return ended;
}

void SaveQueue::Finish()
{
    if (!m_worker)
        return;
    m_worker->WaitUntilIdle(Worker::Clock::time_point::max());
    m_worker.reset();
}
