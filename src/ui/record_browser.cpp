#include "ui/record_browser.h"

#include "ui/callback_timer.h"
#include "ui/labels.h"
#include "platform/accessible.h"
#include "platform/local_relayout.h"

#include <wx/button.h>
#include <wx/stattext.h>

namespace {

wxStaticText* MakeLabel(wxWindow* parent, const std::string& text, long style = 0)
{
    auto* label = new wxStaticText(parent, wxID_ANY, AsciiLabel(text), wxDefaultPosition, wxDefaultSize, style);
    SetLabelFont(label);
    return label;
}

}  // namespace

RecordBrowser::RecordBrowser(wxWindow* parent, Setup setup)
    : m_parent(parent), m_setup(std::move(setup)), m_position(m_setup.start),
      m_countRefresh(parent, [this] {
          bool grown = RelabelFigures(m_countLabel, AsciiLabel(CountLabelText(m_setup.count(), m_setup.what)));
          if (!grown && m_countLabel->GetMinSize().x < 0)
          {
              // At the first record rather than with the page: the
              // measuring stays out of the start-up.
              MakeRoomForFigures(m_countLabel);
              grown = true;
          }
          if (grown)
              m_parent->Layout();
          SayCount();
      })
{
    if (m_setup.what)
    {
        m_countLabel = MakeLabel(parent, CountLabelText(m_setup.count(), m_setup.what), wxST_NO_AUTORESIZE);
        KeepRelayoutInside(parent);
    }
    if (m_setup.positionAt == PositionAt::BeforeButtons)
        MakePositionLabel();
    m_previousButton = new wxButton(parent, m_setup.previousId, "<< Previous");
    m_nextButton = new wxButton(parent, m_setup.nextId, "Next >>");
    if (m_setup.positionAt == PositionAt::AfterButtons)
        MakePositionLabel();
}

RecordBrowser::~RecordBrowser() = default;

void RecordBrowser::MakePositionLabel()
{
    if (!m_positionLabel)
        m_positionLabel = MakeLabel(m_parent, PositionText());
}

void RecordBrowser::LabelsNameNothing()
{
    if (m_countLabel)
        LinkLabel(m_countLabel, nullptr);
    LinkLabel(m_positionLabel, nullptr);
}

std::string RecordBrowser::PositionText() const
{
    if (m_setup.results)
        return ResultsLabelText(m_position.Position(), m_setup.count());
    return PositionLabelText(m_position.Position());
}

void RecordBrowser::Next()
{
    if (m_position.Next(m_setup.count()))
        Show();
}

void RecordBrowser::Previous()
{
    if (m_position.Previous())
        Show();
}

void RecordBrowser::ShowCurrent()
{
    if (!Current())
        return;
    m_positionLabel->SetLabel(AsciiLabel(PositionText()));
    m_parent->Layout();
    m_setup.show(*Current());
}

std::optional<std::size_t> RecordBrowser::Current() const
{
    if (m_position.Position() == 0)
        return std::nullopt;
    return m_position.Position() - 1;
}

void RecordBrowser::Show()
{
    ShowCurrent();
    // Said of the button just pressed, which keeps the focus.
    SayCurrent();
}

void RecordBrowser::SayCurrent()
{
    if (Current())
        Announce(m_parent, SpokenCurrent());
}

wxString RecordBrowser::SpokenCurrent() const
{
    wxString said = AsciiLabel(PositionText());
    if (m_setup.spoken && Current())
        if (wxString what = m_setup.spoken(*Current()); !what.empty())
            said += ". " + what;
    return said;
}

void RecordBrowser::SayCount()
{
    // A burst is said as its first record and then as its count about once
    // a second, the last count always: enough to follow it, never a flood.
    // Said when records come, not by a clock of its own: a flood's records
    // come once a second, and a second clock beside them woke the program
    // once more a second. The clock only makes sure of the last count.
    auto now = std::chrono::steady_clock::now();
    auto since = now - m_countSaid;
    if (since < kCountSaidEvery - kCountSaidEarly)
    {
        if (!m_sayCountTimer)
            m_sayCountTimer = std::make_unique<CallbackTimer>([this] { SayCount(); });
        if (!m_sayCountTimer->IsRunning())
            m_sayCountTimer->StartOnce(static_cast<int>(
                std::chrono::ceil<std::chrono::milliseconds>(2 * kCountSaidEvery - since).count()));
        return;
    }
    if (m_sayCountTimer)
        m_sayCountTimer->Stop();
    m_countSaid = now;
    Announce(m_parent, AsciiLabel(std::to_string(m_setup.count()) + " " + m_setup.what));
}

void SayCopied(wxWindow* where, bool copied)
{
    Announce(where, copied ? "Copied" : "Not copied");
}
