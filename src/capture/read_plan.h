#pragma once

#include <string>
#include <vector>

// Which of the formats a clipboard offers to read, and in which order.
// A list of local files comes first, even when text or an image is offered
// beside it, so that copied files are recorded as files; if the list turns
// out not to be local files, text is next, then an image.
struct ReadPlan
{
    std::string fileListTarget;  // empty when no file list is offered
    bool text = false;
    std::string imageTarget;     // empty when no readable image is offered
};

// `targets` are the format names the owner offers; `textOffered` is the
// platform's own judgement of whether any of them is text.
ReadPlan PlanRead(const std::vector<std::string>& targets, bool textOffered);
