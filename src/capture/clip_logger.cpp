#include "capture/clip_logger.h"

#include "capture/capture_sink.h"
#include "clipboard/clip_offer.h"
#include "clipboard/held_copy.h"
#include "imaging/image_format.h"
#include "records/file_record.h"

#include <algorithm>
#include <utility>

ClipLogger::ClipLogger(CaptureSink* sink, StoredCopies* store, std::shared_ptr<HeldCopy> held)
    : m_store(store), m_sink(sink), m_held(std::move(held))
{
}

bool ClipLogger::Start()
{
    // Files first: a list polled before their thread runs is stored at once.
    return m_files.Start() && m_capture.Start();
}

void ClipLogger::Submit(ClipSnapshot snapshot)
{
    m_capture.Post([this, snapshot = std::move(snapshot)]() mutable { Poll(std::move(snapshot)); });
}

void ClipLogger::RequestStop()
{
    m_capture.RequestStop();
    m_files.RequestStop();
}

bool ClipLogger::Stop(Worker::Clock::time_point deadline)
{
    RequestStop();
    bool captureEnded = m_capture.Stop(deadline);
    return m_files.Stop(deadline) && captureEnded;
}

void ClipLogger::Poll(ClipSnapshot snapshot)
{
    switch (snapshot.kind)
    {
    case ClipSnapshot::Kind::Text:
        PollText(std::move(snapshot.text), std::move(snapshot.forms), snapshot);
        break;
    case ClipSnapshot::Kind::Image:
        PollImage(snapshot.imageData, std::move(snapshot.forms), snapshot);
        break;
    case ClipSnapshot::Kind::Files:
        PollFiles(snapshot.files, snapshot);
        break;
    case ClipSnapshot::Kind::Nothing:
        break;
    }
}

void ClipLogger::PollText(std::string text, ClipForms forms, const ClipSnapshot& read)
{
    if (m_lastText && text == *m_lastText)
    {
        // The same text again, perhaps from another program, with forms of
        // its own: those are what was on the clipboard.
        if (m_held)
            m_held->Hold(read.serial, [text = m_lastText, shared = ShareForms(std::move(forms), m_lastText)] {
                return OfferText(text, shared);
            });
        return;
    }
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
    SharedForms shared = ShareForms(std::move(forms), m_lastText);
    if (m_held)
        m_held->Hold(read.serial, [text = m_lastText, shared] { return OfferText(text, shared); });
    m_sink->AddText({m_lastText, std::move(shared)}, read.changedAt);
}

SharedForms ClipLogger::ShareForms(ClipForms forms, const SharedText& text)
{
    if (std::none_of(forms.begin(), forms.end(), [](const ClipForm& form) { return form.bytes != nullptr; }))
        return nullptr;  // nothing beside what the copy is recorded by
    // A form that is the text itself (its owner's UTF-8 under another
    // name) is held once; a copy whose every form is its text (as a plain
    // editor's is) keeps none, and is given back in the forms made for it,
    // which are those same bytes (all of them only for a text without CR:
    // one with CR is made without the text/plain forms, which its owner
    // offered).
    bool onlyTheText = true;
    for (ClipForm& form : forms)
    {
        if (text && form.bytes && form.bytes->size() == text->size() && *form.bytes == *text)
            form.bytes = text;
        else if (form.bytes)
            onlyTheText = false;
    }
    if (onlyTheText && text && text->find('\r') == std::string::npos)
        return nullptr;
    return std::make_shared<const ClipForms>(std::move(forms));
}

void ClipLogger::PollImage(const Bytes& data, ClipForms forms, const ClipSnapshot& read)
{
    // Bytes that are no image were nothing offered: the last image stays.
    std::optional<DecodedImage> image = DecodedImage::Decode(data);
    if (!image)
        return;
    ImageFingerprint print = image->Fingerprint();
    if (print == m_lastBitmap)
    {
        if (m_held)
            HoldImage(std::make_shared<const Bytes>(data), ShareForms(std::move(forms), nullptr), read.serial);
        return;
    }
    // Remembered before the page sees it, so an image too small for the
    // page is still the one the next image is compared with.
    m_lastBitmap = print;
    ImageRecord record = image->Record(data);
    record.forms = ShareForms(std::move(forms), nullptr);
    if (m_held)
        HoldImage(record.data, record.forms, read.serial);
    m_sink->AddImage(std::move(record), read.changedAt);
}

void ClipLogger::HoldImage(SharedBytes data, SharedForms forms, std::uint64_t serial)
{
    const ImageFormat format = SniffImageFormat(*data);
    if (format == ImageFormat::Unknown)
        return;
    m_held->Hold(serial, [data = std::move(data), forms = std::move(forms), format] {
        return OfferImage(format == ImageFormat::Png ? "image/png" : "image/jpeg", data, forms);
    });
}

void ClipLogger::PollFiles(const std::vector<std::filesystem::path>& files, const ClipSnapshot& read)
{
    if (files.empty())
        return;
    // The files where they were, as their owner offered them, not the
    // stored copies.
    if (m_held)
        m_held->Hold(read.serial, [files, cut = read.cut] { return OfferFiles(files, cut); });
    // The whole list decides, in order: a list that only shares its last
    // name with the last one is still new.
    if (files == m_lastFiles)
        return;
    const ChangeTime changedAt = read.changedAt;
    m_lastFiles = files;
    if (m_files.Started())
    {
        m_files.Post([this, files, changedAt] { StoreFiles(files, changedAt); });
        return;
    }
    StoreFiles(files, changedAt);
}

void ClipLogger::StoreFiles(const std::vector<std::filesystem::path>& files, ChangeTime changedAt)
{
    for (const std::filesystem::path& path : files)
    {
        if (m_files.StopRequested())
            return;
        m_sink->AddFile(MakeFileRecord(path, ++m_fileCount, *m_store, &m_files.StopFlag()), changedAt);
    }
}
