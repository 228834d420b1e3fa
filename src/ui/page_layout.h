#pragma once

#include <chrono>
#include <functional>
#include <memory>

class wxSizer;
class wxTimer;
class wxWindow;

// The arrangement the pages share, built from the controls' own sizes so
// that it holds whatever the platform's fonts and themes make of them.

// Margins of the pages, in pixels at the toolkit's default resolution.
constexpr int kPageMargin = 30;
constexpr int kBrowseMargin = 45;
constexpr int kRowGap = 12;

// "<< Previous" at the left, the position label centred, "Next >>" at the right.
wxSizer* BrowseRow(wxWindow* previous, wxWindow* position, wxWindow* next);

// One control centred across the row.
wxSizer* CentredRow(wxWindow* control);

// Fixes a window's size: the size it was made with, grown where its content
// needs a larger client area here, and neither resizable nor maximisable.
class wxSize;
void FixSizeToFit(wxWindow* window, const wxSize& client);

// Escape closes `window`, as it closes every dialog of the desktop: through
// its button `closeId` where it has one, else as its close box does.
void CloseOnEscape(wxWindow* window, int closeId = -1);

// Runs a window's refresh once, after the events already queued, however
// often it is asked meanwhile: records can arrive by the thousand, and each
// would otherwise relabel and lay out its page. And when a refresh has
// several records to show, at most every kMinInterval: in a burst of a
// hundred records a second, relabelling and redrawing for each take of them
// was most of the program's work (0.6 of its 1.0 ms per record). A refresh
// for a single record runs at once, however soon after the last one.
class DeferredRefresh
{
public:
    static constexpr std::chrono::milliseconds kMinInterval{40};

    DeferredRefresh(wxWindow* window, std::function<void()> refresh);
    ~DeferredRefresh();
    void Request();

private:
    void RunOrWait();
    void Run();

    wxWindow* m_window;
    std::function<void()> m_refresh;
    bool m_pending = false;
    int m_asked = 0;  // requests since the last run
    std::chrono::steady_clock::time_point m_lastRun;
    std::unique_ptr<wxTimer> m_timer;
};
