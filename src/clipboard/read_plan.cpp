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

const char* const kFileListTargets[] = {"text/uri-list", "x-special/gnome-copied-files"};

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
    for (const char* name : kImageTargets)
        if (Offers(targets, name))
        {
            plan.imageTarget = name;
            break;
        }
    return plan;
}

std::size_t TransferLimit(const ReadPlan& plan, std::string_view target)
{
    if (!target.empty() && target == plan.textTarget)
        return kTextTransferLimit;
    if (!target.empty() && target == plan.imageTarget)
        return kImageTransferLimit;
    if (!target.empty() && target == plan.fileListTarget)
        return kFileListTransferLimit;
    if (!target.empty() && target == plan.secretHintTarget)
        return kSecretHintTransferLimit;
    return kTargetListTransferLimit;
}
