#pragma once

#include <string>
#include <string_view>
#include <vector>

// Which of the formats a clipboard offers to read, and in which order.
// A list of local files comes first, even when text or an image is offered
// beside it, so that copied files are recorded as files; if the list turns
// out not to be local files, text is next, then an image.
struct ReadPlan
{
    // Set when the owner marks its content (a password manager does): the
    // mark is read first, and marked content is never recorded.
    std::string secretHintTarget;
    std::string fileListTarget;  // empty when no file list is offered
    std::string textTarget;      // the best text form offered; empty for none
    std::string imageTarget;     // empty when no readable image is offered
};

// The mark password managers put beside what they copy, and its value for
// content that must not be kept.
constexpr const char* kSecretHintTarget = "x-kde-passwordManagerHint";
constexpr const char* kSecretHintValue = "secret";

// Whether the mark's value hides the content. Owners end it with a line
// break or a NUL, or write it in capitals; a mark that can't be read hides
// it too, since one record missed is better than a password kept.
bool IsSecretMark(const std::string* value);

// `targets` are the format names the owner offers.
ReadPlan PlanRead(const std::vector<std::string>& targets);
