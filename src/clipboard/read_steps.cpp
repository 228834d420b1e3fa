#include "clipboard/read_steps.h"

#include "clipboard/clip_text.h"
#include "clipboard/uri_list.h"

ReadSteps::ReadSteps(const std::vector<std::string>& offered, std::string hostName, ConvertCompoundText convert)
    : m_plan(PlanRead(offered)), m_hostName(std::move(hostName)), m_convert(std::move(convert))
{
    if (!m_plan.secretHintTarget.empty())
    {
        m_step = Step::SecretHint;
        m_next = m_plan.secretHintTarget;
    }
    else
        AskForContent();
}

void ReadSteps::AskForContent()
{
    if (!m_plan.fileListTarget.empty())
    {
        m_step = Step::FileList;
        m_next = m_plan.fileListTarget;
    }
    else
        AskForTextOrImage();
}

void ReadSteps::AskForTextOrImage()
{
    if (!m_plan.textTarget.empty())
    {
        m_step = Step::Text;
        m_next = m_plan.textTarget;
    }
    else if (!m_plan.imageTarget.empty())
    {
        m_step = Step::Image;
        m_next = m_plan.imageTarget;
    }
    else
        Finish(ClipSnapshot::Nothing());
}

void ReadSteps::Finish(ClipSnapshot snapshot)
{
    m_snapshot = std::move(snapshot);
    m_next.clear();
}

void ReadSteps::Answer(std::optional<std::string> bytes, std::string_view type)
{
    if (Done())
        return;
    switch (m_step)
    {
    case Step::SecretHint:
        if (IsSecretMark(bytes ? &*bytes : nullptr))
            Finish(ClipSnapshot::Nothing());
        else
            AskForContent();
        return;
    case Step::FileList:
        if (bytes)
            if (auto paths = ParseFileUriList(*bytes, m_hostName))
            {
                Finish(ClipSnapshot::OfFiles(std::move(*paths)));
                return;
            }
        // Not a list of local files: what else the clipboard offers decides.
        AskForTextOrImage();
        return;
    case Step::Text:
    {
        std::optional<std::string> text;
        if (bytes)
        {
            const bool compound = type == "COMPOUND_TEXT";
            const std::string kept = compound ? *bytes : std::string();
            text = TakeRecordedText(type, std::move(*bytes));
            if (!text && compound && m_convert)
                text = m_convert(kept);
        }
        Finish(text ? ClipSnapshot::OfText(std::move(*text)) : ClipSnapshot::Nothing());
        return;
    }
    case Step::Image:
        if (bytes && !bytes->empty())
            Finish(ClipSnapshot::OfImage(Bytes(bytes->begin(), bytes->end())));
        else
            Finish(ClipSnapshot::Nothing());
        return;
    }
}
