#include "clipboard/read_plan.h"

#include <algorithm>
#include <cctype>

namespace {

bool Offers(const std::vector<std::string>& targets, const char* name)
{
    return std::find(targets.begin(), targets.end(), name) != targets.end();
}

// Only the formats with decoders that are fit for untrusted bytes; every
// program that offers images offers one of these. PNG first: lossless.
const char* const kImageTargets[] = {"image/png", "image/jpeg"};

// Text forms, best first: those that carry UTF-8 exactly as the owner has
// it, then Latin-1, then those whose encoding the answer states.
const char* const kTextTargets[] = {"UTF8_STRING", "text/plain;charset=utf-8", "text/plain;charset=UTF-8",
                                    "STRING",      "text/plain",               "TEXT",
                                    "COMPOUND_TEXT"};

// The plain list first: a file manager that offers files cut may take the
// GNOME form being read as the paste of its cut, and clear the clipboard
// (PCManFM does).
const char* const kFileListTargets[] = {"text/uri-list", "x-special/gnome-copied-files"};

// ICCCM's targets and those of the clipboard-manager convention: answers
// about the selection, or requests with side effects, never content.
const char* const kProtocolTargets[] = {
    "TARGETS",          "TIMESTAMP",      "MULTIPLE",        "SAVE_TARGETS",   "DELETE",        "INCR",
    "INSERT_SELECTION", "INSERT_PROPERTY", "LENGTH",         "LIST_LENGTH",    "CLIENT_WINDOW", "HOST_NAME",
    "IP_ADDRESS",       "DECNET_ADDRESS", "USER",            "PROCESS",        "TASK",          "NAME",
    "CLASS",            "OWNER_OS",       "CHARACTER_POSITION", "LINE_NUMBER", "COLUMN_NUMBER", "SPAN",
    "FILE_NAME",        "ATOM",           "ATOM_PAIR",       "PIXMAP",         "BITMAP",        "DRAWABLE",
    "COLORMAP",         "WINDOW",         "STRING",          "TEXT",           "COMPOUND_TEXT", "C_STRING",
    kSecretHintTarget,
    // Windows: image formats programs register, and the OLE state of the
    // owner's process.
    "PNG",              "JFIF",           "GIF",             "TIFF",           "Ole Private Data", "DataObject"};

bool ContainsNoCase(std::string_view text, std::string_view part)
{
    auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    auto found = std::search(text.begin(), text.end(), part.begin(), part.end(),
                             [&](char a, char b) { return lower(a) == lower(b); });
    return found != text.end();
}

}  // namespace

bool IsSecretMark(const std::string* value)
{
    if (!value)
        return true;
    std::string_view mark = *value;
    while (!mark.empty() && (mark.back() == '\0' || mark.back() == ' ' || mark.back() == '\t' ||
                             mark.back() == '\r' || mark.back() == '\n'))
        mark.remove_suffix(1);
    static constexpr std::string_view kSecret = kSecretHintValue;
    if (mark.size() != kSecret.size())
        return false;
    for (size_t i = 0; i < mark.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(mark[i])) != kSecret[i])
            return false;
    return true;
}

ReadPlan PlanRead(const std::vector<std::string>& targets)
{
    ReadPlan plan;
    for (const char* name : kTextTargets)
        if (Offers(targets, name))
        {
            plan.textTarget = name;
            break;
        }
    if (Offers(targets, kSecretHintTarget))
        plan.secretHintTarget = kSecretHintTarget;
    for (const char* name : kFileListTargets)
        if (Offers(targets, name))
        {
            plan.fileListTarget = name;
            break;
        }
    if (!plan.fileListTarget.empty() && Offers(targets, kCutMarkTarget))
        plan.cutMarkTarget = kCutMarkTarget;
    for (const char* name : kImageTargets)
        if (Offers(targets, name))
        {
            plan.imageTarget = name;
            break;
        }
    return plan;
}

bool KeepsForm(std::string_view target)
{
    if (target.empty())
        return false;
    for (const char* name : kProtocolTargets)
        if (target == name)
            return false;
    // Images by their MIME type, and office programs' renderings by theirs
    // (LibreOffice's bitmap, metafile, EMF and WMF forms of a text).
    for (std::string_view image : {"image/", "bitmap", "metafile", "-emf", "-wmf", "x-qt-image"})
        if (ContainsNoCase(target, image))
            return false;
    if (ContainsNoCase(target, "internal-id"))
        return false;
    // An icon under any type's name (a browser offers its image as
    // text/ico and application/ico too).
    std::string_view subtype = target.substr(target.find('/') == std::string_view::npos ? 0 : target.find('/') + 1);
    subtype = subtype.substr(0, subtype.find(';'));
    for (std::string_view icon : {"ico", "icon", "x-icon", "x-ico"})
        if (subtype.size() == icon.size() && ContainsNoCase(subtype, icon))
            return false;
    return true;
}

std::size_t TransferLimit(const ReadPlan& plan, std::string_view target)
{
    if (!target.empty() && target == plan.textTarget)
        return kTextTransferLimit;
    if (!target.empty() && target == plan.imageTarget)
        return kImageTransferLimit;
    if (!target.empty() && target == plan.fileListTarget)
        return kFileListTransferLimit;
    if (!target.empty() && (target == plan.secretHintTarget || target == plan.cutMarkTarget))
        return kSecretHintTransferLimit;
    return kTargetListTransferLimit;
}
