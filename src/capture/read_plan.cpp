#include "capture/read_plan.h"

#include <algorithm>

namespace {

bool Offers(const std::vector<std::string>& targets, const char* name)
{
    return std::find(targets.begin(), targets.end(), name) != targets.end();
}

// Image formats in the order we prefer them: PNG is lossless and what most
// programs offer; the others are decoded by the toolkit's image handlers.
const char* const kImageTargets[] = {"image/png",  "image/bmp", "image/x-bmp", "image/x-MS-bmp",
                                     "image/tiff", "image/gif", "image/jpeg"};

const char* const kFileListTargets[] = {"text/uri-list", "x-special/gnome-copied-files"};

}  // namespace

ReadPlan PlanRead(const std::vector<std::string>& targets, bool textOffered)
{
    ReadPlan plan;
    plan.text = textOffered;
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
