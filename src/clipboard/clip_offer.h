#pragma once

#include "clipboard/clip_snapshot.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>


// What the program puts on the clipboard, in every form it serves, as the
// platform's owner hands it out. The forms share the record's bytes: a
// paste reads them where they are, and no request copies them.
struct ClipOffer
{
    struct Form
    {
        std::string target;                // the X target, which Wayland takes as the MIME type
        std::string type;                  // what X answers it as: the target itself when empty
        std::shared_ptr<const void> keep;  // holds `bytes` alive
        std::string_view bytes;
    };

    std::vector<Form> forms;
    // What a read of this offer finds: the clipboard's new content, to be
    // recorded as any other program's would be. Made when asked, so that
    // no second copy of the bytes is held while the offer is.
    std::function<ClipSnapshot()> self;

    const Form* Find(std::string_view target) const;
};

// Text with these bytes exactly, in each text form: UTF-8 under its X and
// MIME names (the MIME ones only for a text without CR, which GTK would
// rewrite there), and Latin-1 as STRING only where every character has one:
// nothing is offered that would change the text. With the copy's other
// forms, those come first, in their owner's order, and a form the owner
// offered itself is served with its bytes rather than with one made here.
ClipOffer OfferText(SharedText text, SharedForms forms = {});

// Files as file managers paste them: text/uri-list and the GNOME form,
// which says "cut" for files that were cut, with KDE's mark of a cut then.
ClipOffer OfferFiles(const std::vector<std::filesystem::path>& files, bool cut = false);

ClipOffer OfferPng(SharedBytes png, SharedForms forms = {});
// An image as these bytes of type `mime` (image/png, image/jpeg).
ClipOffer OfferImage(std::string_view mime, SharedBytes data, SharedForms forms = {});
