#pragma once

#include "clipboard/clip_snapshot.h"
#include "clipboard/read_plan.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One read of the clipboard after its formats are known, as every
// platform's connection makes it: the secret mark first where there is one,
// then a file list, then text or an image (read_plan.h), each answer
// deciding the next request, then the other forms kept beside a text or an
// image, in the owner's order, until the snapshot is known.
class ReadSteps
{
public:
    // Compound text that switches character sets needs the window
    // system's conversion; without one it is not recorded.
    using ConvertCompoundText = std::function<std::optional<std::string>(const std::string&)>;

    ReadSteps(const std::vector<std::string>& offered, std::string hostName, ConvertCompoundText convert = {});

    bool Done() const { return m_next.empty(); }
    // The format to ask for next, while not Done().
    const std::string& Next() const { return m_next; }
    // The most to take of it (read_plan.h).
    std::size_t Limit() const;

    // Whether what the copy is recorded by has come, and the other forms
    // are being read: a read that has to end now (an owner that stops
    // answering) ends with what it has by EndWithWhatCame().
    bool Gathering() const { return m_step == Step::Forms && !Done(); }
    void EndWithWhatCame();
    // While Gathering(), the forms to be asked for after Next(), in order,
    // as far as the copy's bounds may let them come: a connection whose
    // every request is a round trip may ask for them before they are due.
    std::vector<std::string> FormsAfterNext() const;

    // The owner's answer to Next(), labelled `type` (Wayland has no labels:
    // the format asked for); nullopt when it refused, failed or went past
    // the limit.
    void Answer(std::optional<std::string> bytes, std::string_view type);

    // Once Done().
    ClipSnapshot TakeSnapshot() { return std::move(m_snapshot); }

private:
    void AskForContent();
    void AskForTextOrImage();
    void Finish(ClipSnapshot snapshot);
    void Gather(ClipSnapshot snapshot, const std::string& recordedTarget);
    void AskForNextForm();

    enum class Step
    {
        SecretHint,
        FileList,
        CutMark,
        Text,
        Image,
        Forms
    };

    ReadPlan m_plan;
    std::vector<std::string> m_offered;
    std::vector<std::string> m_formsToRead;  // the rest, in the owner's order
    std::size_t m_nextForm = 0;
    std::string m_recordedTarget;
    std::size_t m_formBytes = 0;  // of the forms kept so far
    std::string m_hostName;
    ConvertCompoundText m_convert;
    Step m_step = Step::SecretHint;
    std::string m_next;
    ClipSnapshot m_snapshot;
};
