#include "ui/page_layout.h"

#include "ui/callback_timer.h"

#include <wx/event.h>
#include <wx/sizer.h>
#include <wx/window.h>

wxSizer* BrowseRow(wxWindow* previous, wxWindow* position, wxWindow* next)
{
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->AddSpacer(kBrowseMargin);
    row->Add(previous, 0, wxALIGN_CENTER_VERTICAL);
    row->AddStretchSpacer();
    row->Add(position, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, kRowGap);
    row->AddStretchSpacer();
    row->Add(next, 0, wxALIGN_CENTER_VERTICAL);
    row->AddSpacer(kBrowseMargin);
    return row;
}

wxSizer* CentredRow(wxWindow* control)
{
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->AddStretchSpacer();
    row->Add(control, 0, wxALIGN_CENTER_VERTICAL);
    row->AddStretchSpacer();
    return row;
}

void FixSizeToFit(wxWindow* window, const wxSize& client)
{
    wxSize size = window->GetSize();
    window->SetSizeHints(wxDefaultSize, wxDefaultSize);  // so that fitting again can grow it
    window->SetClientSize(client);
    size.IncTo(window->GetSize());
    window->SetSize(size);
    window->SetSizeHints(size, size);
}

void CloseOnEscape(wxWindow* window, int closeId)
{
    window->Bind(wxEVT_CHAR_HOOK, [window, closeId](wxKeyEvent& event) {
        if (event.GetKeyCode() != WXK_ESCAPE || event.HasAnyModifiers())
        {
            event.Skip();
            return;
        }
        if (closeId == -1)
        {
            window->Close();
            return;
        }
        wxCommandEvent click(wxEVT_BUTTON, closeId);
        click.SetEventObject(window);
        window->GetEventHandler()->ProcessEvent(click);
    });
}

DeferredRefresh::DeferredRefresh(wxWindow* window, std::function<void()> refresh)
    : m_window(window), m_refresh(std::move(refresh))
{
}

// The timer stops with it.
DeferredRefresh::~DeferredRefresh() = default;

void DeferredRefresh::Request()
{
    ++m_asked;
    if (m_pending)
        return;
    m_pending = true;
    // Queued on the window itself, so it is dropped if the window goes first.
    m_window->CallAfter([this] { RunOrWait(); });
}

void DeferredRefresh::RunOrWait()
{
    auto since = std::chrono::steady_clock::now() - m_lastRun;
    if (m_asked <= 1 || since >= kMinInterval)
    {
        Run();
        return;
    }
    if (!m_timer)
        m_timer = std::make_unique<CallbackTimer>([this] { Run(); });
    m_timer->StartOnce(static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(kMinInterval - since).count()));
}

void DeferredRefresh::Run()
{
    m_pending = false;
    m_asked = 0;
    m_lastRun = std::chrono::steady_clock::now();
    m_refresh();
}
