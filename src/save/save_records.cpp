#include "save/save_records.h"

#include "file/copy_file.h"
#include "file/file_record.h"

#include <wx/image.h>
#include <wx/log.h>
#include <wx/mstream.h>


namespace fs = std::filesystem;

namespace {

fs::path ManualSaveFolder(const SaveJob& job)
{
    return job.programDir / "manual-save";
}

// JPEG has no alpha: transparent pixels are laid on white, not left to
// whatever colour happens to lie under them.
void FlattenOntoWhite(wxImage& image)
{
    if (!image.HasAlpha())
        return;
    unsigned char* rgb = image.GetData();
    const unsigned char* alpha = image.GetAlpha();
    const size_t pixels = static_cast<size_t>(image.GetWidth()) * image.GetHeight();
    for (size_t i = 0; i < pixels; ++i)
    {
        const unsigned a = alpha[i];
        for (int c = 0; c < 3; ++c)
        {
            unsigned char& value = rgb[3 * i + c];
            value = static_cast<unsigned char>((value * a + 255 * (255 - a) + 127) / 255);
        }
    }
    image.ClearAlpha();
}

void SaveTexts(const SaveJob& job, const fs::path& folder)
{
    // The texts' own bytes: UTF-8, with the line ends they were copied with.
    for (size_t n = 1; n <= job.texts.size(); ++n)
    {
        const std::string& text = *job.texts[n - 1];
        ReplaceFileWith(folder / (std::to_string(n) + ".txt"), text.data(), text.size());
    }
}

void SaveImages(const SaveJob& job, const fs::path& folder)
{
    wxLogNull quiet;
    for (size_t n = 1; n <= job.images.size(); ++n)
    {
        std::optional<wxImage> image = DecodeImage(*job.images[n - 1].png);
        if (!image)
            continue;
        FlattenOntoWhite(*image);
        wxMemoryOutputStream out;
        if (!image->SaveFile(out, wxBITMAP_TYPE_JPEG))
            continue;
        Bytes jpeg(out.GetSize());
        out.CopyTo(jpeg.data(), jpeg.size());
        ReplaceFileWith(folder / (std::to_string(n) + ".jpg"), jpeg.data(), jpeg.size());
    }
}

void SaveFiles(const SaveJob& job, const fs::path& folder)
{
    std::set<std::string> used;
    for (const fs::path& stored : job.storedCopies)
    {
        if (stored.empty())
            continue;
        CopyFileData(stored, folder / UniqueFileName(stored.filename().native(), used));
    }
}

}  // namespace

std::string TimeStampName(std::time_t when)
{
    struct tm local;
    char text[32] = {};
    if (::localtime_r(&when, &local))
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

std::string UniqueFileName(const std::string& name, std::set<std::string>& used)
{
    std::string candidate = name;
    // The number goes before the extension; a leading dot starts no extension.
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        dot = name.size();
    for (int copy = 2; used.count(candidate); ++copy)
        candidate = name.substr(0, dot) + " (" + std::to_string(copy) + ")" + name.substr(dot);
    used.insert(candidate);
    return candidate;
}

void RunSave(const SaveJob& job)
{
    std::vector<fs::path> folders = SaveFolders(job);
    for (const fs::path& folder : folders)
        MakePrivateFolder(folder);
    const fs::path& last = folders.back();
    switch (job.kind)
    {
    case SaveJob::Kind::Everything:
        SaveTexts(job, folders[2]);
        SaveImages(job, folders[3]);
        SaveFiles(job, folders[4]);
        break;
    case SaveJob::Kind::Text:
        SaveTexts(job, last);
        break;
    case SaveJob::Kind::Images:
        SaveImages(job, last);
        break;
    case SaveJob::Kind::Files:
        SaveFiles(job, last);
        break;
    }
}

void SaveQueue::Submit(SaveJob job)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_jobs.push_back(std::move(job));
    if (!m_thread.joinable())
        m_thread = std::thread([this] { Run(); });
    m_wake.notify_one();
}

void SaveQueue::Finish()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finishing = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finishing = false;
}

void SaveQueue::Run()
{
    for (;;)
    {
        SaveJob job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_finishing || !m_jobs.empty(); });
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        RunSave(job);
    }
}
