#include "clipboard/read_steps.h"

#include "clipboard/clip_text.h"
#include "clipboard/uri_list.h"

#include <algorithm>

ReadSteps::ReadSteps(const std::vector<std::string>& offered, std::string hostName, ConvertCompoundText convert)
    : m_plan(PlanRead(offered)), m_offered(offered), m_hostName(std::move(hostName)), m_convert(std::move(convert))
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

std::size_t ReadSteps::Limit() const
{
    if (m_step == Step::Forms)
        return std::min(kFormTransferLimit, kFormsTransferLimit - std::min(m_formBytes, kFormsTransferLimit));
    return TransferLimit(m_plan, m_next);
}

void ReadSteps::Gather(ClipSnapshot snapshot, const std::string& recordedTarget)
{
    m_snapshot = std::move(snapshot);
    m_step = Step::Forms;
    m_recordedTarget = recordedTarget;
    for (const std::string& target : m_offered)
    {
        if (m_formsToRead.size() == kMaxForms)
            break;
        // The form the copy is recorded by keeps its place among the rest.
        if ((target == recordedTarget || KeepsForm(target)) &&
            std::find(m_formsToRead.begin(), m_formsToRead.end(), target) == m_formsToRead.end())
            m_formsToRead.push_back(target);
    }
    AskForNextForm();
}

void ReadSteps::AskForNextForm()
{
    m_next.clear();  // done once none is left: the snapshot is whole
    while (m_nextForm < m_formsToRead.size() && m_formBytes < kFormsTransferLimit)
    {
        const std::string& target = m_formsToRead[m_nextForm++];
        if (target != m_recordedTarget)
        {
            m_next = target;
            return;
        }
        m_snapshot.forms.push_back({target, {}, nullptr});  // served from the record
    }
}

std::vector<std::string> ReadSteps::FormsAfterNext() const
{
    std::vector<std::string> after;
    if (!Gathering())
        return after;
    for (std::size_t i = m_nextForm; i < m_formsToRead.size(); ++i)
        if (m_formsToRead[i] != m_recordedTarget)
            after.push_back(m_formsToRead[i]);
    return after;
}

void ReadSteps::EndWithWhatCame()
{
    if (Gathering())
        m_next.clear();
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
                ClipSnapshot files = ClipSnapshot::OfFiles(std::move(*paths));
                files.cut = IsCutFileList(*bytes);
                if (m_plan.cutMarkTarget.empty())
                {
                    Finish(std::move(files));
                    return;
                }
                m_snapshot = std::move(files);
                m_step = Step::CutMark;
                m_next = m_plan.cutMarkTarget;
                return;
            }
        // Not a list of local files: what else the clipboard offers decides.
        AskForTextOrImage();
        return;
    case Step::CutMark:
    {
        // The list is read whole; a mark that can't be read leaves it copied.
        ClipSnapshot files = std::move(m_snapshot);
        files.cut = files.cut || (bytes && !bytes->empty() && bytes->front() == '1');
        Finish(std::move(files));
        return;
    }
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
        if (text)
            Gather(ClipSnapshot::OfText(std::move(*text)), m_plan.textTarget);
        else
            Finish(ClipSnapshot::Nothing());
        return;
    }
    case Step::Image:
        if (bytes && !bytes->empty())
            Gather(ClipSnapshot::OfImage(Bytes(bytes->begin(), bytes->end())), m_plan.imageTarget);
        else
            Finish(ClipSnapshot::Nothing());
        return;
    case Step::Forms:
        // A form refused, failed or over its bound is left out; the copy
        // is kept with the rest.
        if (bytes)
        {
            ClipForms& forms = m_snapshot.forms;
            auto same = std::find_if(forms.begin(), forms.end(),
                                     [&](const ClipForm& f) { return f.bytes && *f.bytes == *bytes; });
            m_formBytes += same == forms.end() ? bytes->size() : 0;
            SharedText shared = same == forms.end() ? MakeSharedText(std::move(*bytes)) : same->bytes;
            std::string label = type == m_next ? std::string() : std::string(type);
            forms.push_back({m_next, std::move(label), std::move(shared)});
        }
        AskForNextForm();
        return;
    }
}
