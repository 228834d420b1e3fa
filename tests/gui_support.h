#pragma once

// Helpers for tests that drive real windows under a display.

#include <wx/window.h>

#include <string>

// Lets the event loop run for `ms` milliseconds.
void Pump(int ms);

// Runs a shell command to its end while the event loop keeps serving the
// clipboard (xclip asks this very process for the data); returns its output.
std::string RunWhilePumping(const std::string& command);

// Clicks a button the way the toolkit does, through the window's event table.
void Click(wxWindow* window, int id);

// The child of `parent` (searched depth first) whose label starts with `prefix`.
wxWindow* FindByLabelPrefix(wxWindow* parent, const wxString& prefix);

// The `index`-th text control below `parent`, in creation order.
class wxTextCtrl;
wxTextCtrl* FindTextCtrl(wxWindow* parent, int index);
