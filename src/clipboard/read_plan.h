#pragma once

#include <cstddef>
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
    std::string cutMarkTarget;   // beside a file list: says whether its files were cut
    std::string textTarget;      // the best text form offered; empty for none
    std::string imageTarget;     // empty when no readable image is offered
};

// The mark password managers put beside what they copy, and its value for
// content that must not be kept.
constexpr const char* kSecretHintTarget = "x-kde-passwordManagerHint";
constexpr const char* kSecretHintValue = "secret";

// The mark file managers put beside files that were cut, "1" for cut (KDE's,
// offered by PCManFM too); reading it changes nothing for its owner.
constexpr const char* kCutMarkTarget = "application/x-kde-cutselection";

// Whether the mark's value hides the content. Owners end it with a line
// break or a NUL, or write it in capitals; a mark that can't be read hides
// it too, since one record missed is better than a password kept.
bool IsSecretMark(const std::string* value);

// The most a reader takes of one target; a transfer that would be longer
// is abandoned whole, as if nothing were offered, since a part of a text,
// an image or a list is not what was copied. Texts far above any real
// copy; images by the bytes of the largest within the decoder's limits
// (their dimensions are checked once the header is in); file lists at
// 64 MiB, some 200,000 long paths.
constexpr std::size_t kTextTransferLimit = std::size_t(512) << 20;
constexpr std::size_t kImageTransferLimit = std::size_t(256) << 20;
constexpr std::size_t kFileListTransferLimit = std::size_t(64) << 20;
constexpr std::size_t kTargetListTransferLimit = std::size_t(1) << 20;
constexpr std::size_t kSecretHintTransferLimit = 4096;
std::size_t TransferLimit(const ReadPlan& plan, std::string_view target);

// A text or an image keeps the other forms its owner offers beside it (rich
// text, html, an office document, a browser's notes on where it came
// from), read after it, within these bounds: far above what office
// programs and browsers deliver (a few kilobytes to a few megabytes), so
// that a form over them is a hostile one and is left out.
constexpr std::size_t kFormTransferLimit = std::size_t(64) << 20;   // one form
constexpr std::size_t kFormsTransferLimit = std::size_t(128) << 20;  // all of one copy's
constexpr std::size_t kMaxForms = 64;

// Whether a form offered beside the one a copy is recorded by is read and
// kept. Not: the selection protocol's own targets; images of any type
// (renderings an office program makes of a text on request, an image
// owner's conversions of its one image); the older X encodings of a text,
// which owners convert on request and the program makes itself; and forms
// that name the owner's process, which pasted back later make that program
// paste its own newer content.
bool KeepsForm(std::string_view target);

// `targets` are the format names the owner offers.
ReadPlan PlanRead(const std::vector<std::string>& targets);
