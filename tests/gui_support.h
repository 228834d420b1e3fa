#pragma once

// Helpers for tests that drive real windows under a display.

#include <wx/window.h>

#include <functional>
#include <string>
#include <vector>

class ClipboardConnection;

// The display's clipboard connection, made for the tests as the program
// makes its own, for the pages' copy buttons.
ClipboardConnection* TestClipboard();

// Lets the event loop run for `ms` milliseconds.
void Pump(int ms);

// Runs a shell command to its end while the event loop keeps serving the
// clipboard (xclip asks this very process for the data); returns its output.
std::string RunWhilePumping(const std::string& command);

// Clicks a button the way the toolkit does, through the window's event table.
void Click(wxWindow* window, int id);

// Chooses a menu command of a frame.
void Choose(wxWindow* frame, int id);

// The child of `parent` (searched depth first) whose label starts with `prefix`.
wxWindow* FindByLabelPrefix(wxWindow* parent, const wxString& prefix);

// The `index`-th text control below `parent`, in creation order.
class wxTextCtrl;
wxTextCtrl* FindTextCtrl(wxWindow* parent, int index);

#include <wx/msgdlg.h>
#include <wx/testing.h>

// Expects one message box with this caption and message, and dismisses it.
class ExpectMessage : public wxExpectModalBase<wxMessageDialog, ExpectMessage>
{
public:
    ExpectMessage(const wxString& caption, const wxString& message) : m_caption(caption), m_message(message) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override;

private:
    wxString m_caption;
    wxString m_message;
};

// The top-level windows of class T that are open now.
template <class T>
std::vector<T*> OpenWindows()
{
    std::vector<T*> found;
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* t = dynamic_cast<T*>(window); t && !t->IsBeingDeleted())
            found.push_back(t);
    return found;
}

// Expects one modal dialog of class D, lets `inspect` look at it, and
// dismisses it without it ever running.
template <class D>
class Inspect : public wxExpectModalBase<D, Inspect<D>>
{
public:
    explicit Inspect(std::function<void(D*)> inspect) : m_inspect(std::move(inspect)) {}

protected:
    int OnInvoked(D* dialog) const override
    {
        m_inspect(dialog);
        return wxID_CANCEL;
    }

private:
    std::function<void(D*)> m_inspect;
};
