#include "clipboard/clip_offer.h"

#include "clipboard/clip_text.h"
#include "clipboard/read_plan.h"
#include "clipboard/uri_list.h"

#include <algorithm>

namespace {

ClipOffer::Form FormOf(std::string target, const SharedText& text, std::string type = {})
{
    return {std::move(target), std::move(type), text, *text};
}

bool IsAscii(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The owner's forms first, in its order; then those made here that it did
// not offer.
void PutOwnersFormsFirst(ClipOffer& offer, const SharedForms& forms)
{
    if (!forms || forms->empty())
        return;
    std::vector<ClipOffer::Form> made = std::move(offer.forms);
    offer.forms.clear();
    for (const ClipForm& form : *forms)
    {
        if (offer.Find(form.target))
            continue;
        if (form.bytes)
            offer.forms.push_back({form.target, form.type, form.bytes, *form.bytes});
        else
            for (ClipOffer::Form& own : made)
                if (own.target == form.target)
                    offer.forms.push_back(own);  // the record's own form, in its owner's place
    }
    for (ClipOffer::Form& form : made)
        if (!offer.Find(form.target))
            offer.forms.push_back(std::move(form));
}

ClipSnapshot WithForms(ClipSnapshot snapshot, const SharedForms& forms)
{
    if (forms)
        snapshot.forms = *forms;
    return snapshot;
}

}  // namespace

const ClipOffer::Form* ClipOffer::Find(std::string_view target) const
{
    for (const Form& form : forms)
        if (form.target == target)
            return &form;
    return nullptr;
}

ClipOffer OfferText(SharedText text, SharedForms forms)
{
    if (!text)
        text = std::make_shared<const std::string>();
    ClipOffer offer;
    offer.forms.push_back(FormOf("UTF8_STRING", text));
    // GTK 3 programs ask for text/plain;charset=utf-8 first where it is
    // offered, and turn every CR they get there into a line feed; from
    // UTF8_STRING, their next choice, they take the text as it is. A text
    // that holds a CR is thus offered without the text/plain forms, so that
    // it pastes there unchanged.
    if (text->find('\r') == std::string::npos)
        for (const char* target : {"text/plain;charset=utf-8", "text/plain"})
            offer.forms.push_back(FormOf(target, text));
    // TEXT leaves the encoding to the owner, who says which in the answer.
    offer.forms.push_back(FormOf("TEXT", text, "UTF8_STRING"));
    // ASCII is its own Latin-1: the one buffer serves STRING too.
    if (IsAscii(*text))
        offer.forms.push_back(FormOf("STRING", text));
    else if (std::optional<std::string> latin1 = Utf8ToLatin1(*text))
        offer.forms.push_back(FormOf("STRING", std::make_shared<const std::string>(std::move(*latin1))));
    PutOwnersFormsFirst(offer, forms);
    offer.self = [text, forms] { return WithForms(ClipSnapshot::OfText(*text), forms); };
    return offer;
}

ClipOffer OfferFiles(const std::vector<std::filesystem::path>& files, bool cut)
{
    std::string uriList, gnome = cut ? "cut" : "copy";
    for (const std::filesystem::path& file : files)
    {
        std::string uri = FileUri(file);
        uriList += uri + "\r\n";
        gnome += "\n" + uri;
    }
    ClipOffer offer;
    offer.forms.push_back(FormOf("text/uri-list", std::make_shared<const std::string>(std::move(uriList))));
    offer.forms.push_back(
        FormOf("x-special/gnome-copied-files", std::make_shared<const std::string>(std::move(gnome))));
    if (cut)
        offer.forms.push_back(FormOf(kCutMarkTarget, std::make_shared<const std::string>("1")));
    offer.self = [files, cut] {
        ClipSnapshot self = ClipSnapshot::OfFiles(files);
        self.cut = cut;
        return self;
    };
    return offer;
}

ClipOffer OfferPng(SharedBytes png, SharedForms forms)
{
    return OfferImage("image/png", std::move(png), std::move(forms));
}

ClipOffer OfferImage(std::string_view mime, SharedBytes data, SharedForms forms)
{
    if (!data)
        data = std::make_shared<const Bytes>();
    ClipOffer offer;
    std::string_view bytes(reinterpret_cast<const char*>(data->data()), data->size());
    offer.forms.push_back({std::string(mime), {}, data, bytes});
    PutOwnersFormsFirst(offer, forms);
    offer.self = [data, forms] { return WithForms(ClipSnapshot::OfImage(*data), forms); };
    return offer;
}
