#include "platform/clipboard_writer.h"

#include "platform/clipboard_reader.h"

namespace {

// Set and used on the GUI thread only.
ClipboardReader* g_owner = nullptr;

bool Put(std::function<ClipOffer()> build)
{
    return g_owner && g_owner->Offer(std::move(build));
}

}  // namespace

void CopyBackThrough(ClipboardReader* reader)
{
    g_owner = reader;
}

bool PutTextOnClipboard(SharedText text)
{
    // The forms are made on the reader's thread: a huge text is scanned for
    // its Latin-1 form there, not here.
    return Put([text = std::move(text)] { return OfferText(text); });
}

bool PutFilesOnClipboard(const std::vector<std::filesystem::path>& files)
{
    return Put([files] { return OfferFiles(files); });
}

bool PutPngOnClipboard(SharedBytes png)
{
    return Put([png = std::move(png)] { return OfferPng(png); });
}
