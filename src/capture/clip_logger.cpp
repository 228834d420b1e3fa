#include "capture/clip_logger.h"

#include "capture/capture_sink.h"
#include "records/file_record.h"

#include <thread>

ClipLogger::ClipLogger(CaptureSink* sink, StoredCopies* store)
    : wxThread(wxTHREAD_JOINABLE), m_store(store), m_sink(sink)
{
}

void ClipLogger::Submit(ClipSnapshot snapshot)
{
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_queue.push_back(std::move(snapshot));
    }
    m_wake.notify_one();
}

void ClipLogger::RequestStop()
{
    {
        // Set under the lock so that a waiting Entry() cannot miss it
        // between testing the flag and going to sleep.
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_stop.store(true, std::memory_order_relaxed);
        m_queue.clear();
        m_fileQueue.clear();
    }
    m_wake.notify_one();
    m_fileWake.notify_one();
}

bool ClipLogger::WaitForEnd(std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> lock(m_queueMutex);
    return m_endedSignal.wait_for(lock, limit, [this] { return m_ended; });
}

wxThread::ExitCode ClipLogger::Entry()
{
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_fileThreadRunning = true;
    }
    std::thread files([this] { RunFileThread(); });
    for (;;)
    {
        ClipSnapshot snapshot;
        {
            std::unique_lock<std::mutex> lock(m_queueMutex);
            m_wake.wait(lock, [this] { return StopRequested() || !m_queue.empty(); });
            if (StopRequested())
                break;
            snapshot = std::move(m_queue.front());
            m_queue.pop_front();
        }
        Poll(std::move(snapshot));
    }
    // A copy in progress watches the stop request between chunks.
    files.join();
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        m_ended = true;
    }
    m_endedSignal.notify_all();
    return nullptr;
}

void ClipLogger::Poll(ClipSnapshot snapshot)
{
    switch (snapshot.kind)
    {
    case ClipSnapshot::Kind::Text:
        PollText(std::move(snapshot.text), snapshot.changedAt);
        break;
    case ClipSnapshot::Kind::Image:
        PollImage(snapshot.imageData, snapshot.changedAt);
        break;
    case ClipSnapshot::Kind::Files:
        PollFiles(snapshot.files, snapshot.changedAt);
        break;
    case ClipSnapshot::Kind::Nothing:
        break;
    }
}

void ClipLogger::PollText(std::string text, ChangeTime changedAt)
{
    if (m_lastText && text == *m_lastText)
        return;
    // An emptied clipboard is no record, and the last text stays the one
    // to compare with, so copying it again afterwards adds nothing.
    if (text.empty())
        return;
    // One copy of the bytes serves as the last text and as the record. Below
    // 32 MB it is made here rather than kept from the reader:
    // the reader's bytes were allocated beside the toolkit's transfer
    // buffers, and records kept among those leave holes that double the
    // memory a run of such texts takes (measured: 1.97 MB per 1 MB text kept
    // as read, 1.00 MB copied). Larger ones get pages of their own from the
    // allocator, and a copy would only add to the peak.
    constexpr size_t kCopyBelow = 32 << 20;
    if (text.size() < kCopyBelow)
        m_lastText = MakeSharedText(std::string(text));
    else
        m_lastText = MakeSharedText(std::move(text));
    m_sink->AddText(m_lastText, changedAt);
}

void ClipLogger::PollImage(const Bytes& data, ChangeTime changedAt)
{
    // Bytes that are no image were nothing offered: the last image stays.
    std::optional<DecodedImage> image = DecodedImage::Decode(data);
    if (!image)
        return;
    ImageFingerprint print = image->Fingerprint();
    if (print == m_lastBitmap)
        return;
    // Remembered before the page sees it, so an image too small for the
    // page is still the one the next image is compared with.
    m_lastBitmap = print;
    m_sink->AddImage(image->Record(data), changedAt);
}

void ClipLogger::PollFiles(const std::vector<std::filesystem::path>& files, ChangeTime changedAt)
{
    // The whole list decides, in order: a list that only shares its last
    // name with the last one is still new.
    if (files.empty() || files == m_lastFiles)
        return;
    m_lastFiles = files;
    {
        std::lock_guard<std::mutex> lock(m_queueMutex);
        if (m_fileThreadRunning)
        {
            m_fileQueue.push_back({files, changedAt});
            m_fileWake.notify_one();
            return;
        }
    }
    StoreFiles(files, changedAt);
}

void ClipLogger::StoreFiles(const std::vector<std::filesystem::path>& files, ChangeTime changedAt)
{
    for (const std::filesystem::path& path : files)
    {
        if (StopRequested())
            return;
        m_sink->AddFile(MakeFileRecord(path, ++m_fileCount, *m_store, &m_stop), changedAt);
    }
}

void ClipLogger::RunFileThread()
{
    for (;;)
    {
        FileList list;
        {
            std::unique_lock<std::mutex> lock(m_queueMutex);
            m_fileWake.wait(lock, [this] { return StopRequested() || !m_fileQueue.empty(); });
            if (StopRequested())
                return;
            list = std::move(m_fileQueue.front());
            m_fileQueue.pop_front();
        }
        StoreFiles(list.files, list.changedAt);
    }
}
