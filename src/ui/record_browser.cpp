#include "ui/record_browser.h"

#include "ui/labels.h"

#include <wx/button.h>
#include <wx/stattext.h>

namespace {

wxStaticText* MakeLabel(wxWindow* parent, const std::string& text)
{
    auto* label = new wxStaticText(parent, wxID_ANY, AsciiLabel(text));
    SetLabelFont(label);
    return label;
}

}  // namespace

RecordBrowser::RecordBrowser(wxWindow* parent, Setup setup)
    : m_parent(parent), m_setup(std::move(setup)), m_position(m_setup.start),
      m_countRefresh(parent, [this] {
          m_countLabel->SetLabel(AsciiLabel(CountLabelText(m_setup.count(), m_setup.what)));
          m_parent->Layout();
      })
{
    if (m_setup.what)
        m_countLabel = MakeLabel(parent, CountLabelText(m_setup.count(), m_setup.what));
    m_previousButton = new wxButton(parent, m_setup.previousId, "<< Previous");
    m_nextButton = new wxButton(parent, m_setup.nextId, "Next >>");
    m_positionLabel = MakeLabel(parent, PositionText());
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
    if (Current())
        Show();
}

std::optional<std::size_t> RecordBrowser::Current() const
{
    if (m_position.Position() == 0)
        return std::nullopt;
    return m_position.Position() - 1;
}

void RecordBrowser::Show()
{
    m_positionLabel->SetLabel(AsciiLabel(PositionText()));
    m_parent->Layout();
    m_setup.show(*Current());
}
