#pragma once

#include "capture/capture_sink.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

// Keeps every record the capture thread hands over, from any thread.
class RecordingSink : public CaptureSink
{
public:
    void AddText(TextRecord text, ChangeTime changedAt) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_texts.push_back(std::move(text.text));
        m_forms.push_back(std::move(text.forms));
        m_textChanges.push_back(changedAt);
        m_changed.notify_all();
    }
    void AddImage(ImageRecord image, ChangeTime) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_images.push_back(std::move(image));
    }
    void AddFile(FileRecord file, ChangeTime) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_files.push_back(std::move(file));
    }

    std::vector<std::string> Texts()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::string> texts;
        for (const SharedText& text : m_texts)
            texts.push_back(*text);
        return texts;
    }
    std::vector<SharedText> TextRecords()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_texts;
    }
    std::vector<SharedForms> TextForms()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_forms;
    }
    std::vector<ChangeTime> TextChanges()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_textChanges;
    }
    std::vector<ImageRecord> Images()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_images;
    }
    std::vector<FileRecord> Files()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_files;
    }

    bool WaitForTexts(size_t count)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(5), [&] { return m_texts.size() >= count; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<SharedText> m_texts;
    std::vector<SharedForms> m_forms;
    std::vector<ChangeTime> m_textChanges;
    std::vector<ImageRecord> m_images;
    std::vector<FileRecord> m_files;
};
