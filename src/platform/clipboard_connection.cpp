#include "platform/clipboard_connection.h"

#include "clipboard/clip_offer.h"

// The forms are made on the connection's thread: a huge text is scanned for
// its Latin-1 form there, not on the GUI thread.

bool ClipboardConnection::PutText(SharedText text, SharedForms forms)
{
    return Offer([text = std::move(text), forms = std::move(forms)] { return OfferText(text, forms); });
}

bool ClipboardConnection::PutFiles(const std::vector<std::filesystem::path>& files)
{
    return Offer([files] { return OfferFiles(files); });
}

bool ClipboardConnection::PutPng(SharedBytes png, SharedForms forms)
{
    return Offer([png = std::move(png), forms = std::move(forms)] { return OfferPng(png, forms); });
}
