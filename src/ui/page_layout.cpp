#include "ui/page_layout.h"

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
    window->SetClientSize(client);
    size.IncTo(window->GetSize());
    window->SetSize(size);
    window->SetSizeHints(size, size);
}

void DeferredRefresh::Request()
{
    if (m_pending)
        return;
    m_pending = true;
    // Queued on the window itself, so it is dropped if the window goes first.
    m_window->CallAfter([this] {
        m_pending = false;
        m_refresh();
    });
}
