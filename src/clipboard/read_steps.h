#pragma once

#include "clipboard/clip_snapshot.h"
#include "clipboard/read_plan.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// One read of the clipboard after its formats are known, as every
// platform's connection makes it: the secret mark first where there is one,
// then a file list, then text or an image (read_plan.h), each answer
// deciding the next request, until the snapshot is known.
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
    std::size_t Limit() const { return TransferLimit(m_plan, m_next); }

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

    enum class Step
    {
        SecretHint,
        FileList,
        Text,
        Image
    };

    ReadPlan m_plan;
    std::string m_hostName;
    ConvertCompoundText m_convert;
    Step m_step = Step::SecretHint;
    std::string m_next;
    ClipSnapshot m_snapshot;
};
