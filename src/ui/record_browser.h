#pragma once

#include "ui/browse.h"
#include "ui/page_layout.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

class wxButton;
class wxStaticText;
class wxWindow;

// The browsing part that every page and the results window share: the
// count label, "<< Previous", "Next >>" and the position label, the
// position itself, and the count that follows the records as they arrive.
// The owner keeps the records and puts one on view when asked; its event
// handlers forward to Next() and Previous().
class RecordBrowser
{
public:
    struct Setup
    {
        int previousId = 0;
        int nextId = 0;
        const char* what = nullptr;  // "items of text" for a count label; none without
        bool results = false;        // "Currently viewing #N of M results" instead of "#N"
        std::uint32_t start = 0;     // 0 until the first "Next >>"; a results window starts at 1
        std::function<std::size_t()> count;
        std::function<void(std::size_t index)> show;  // the record at this 0-based index
    };

    // Makes the controls on `parent` now, in this order: the count label,
    // "<< Previous", "Next >>", the position label.
    RecordBrowser(wxWindow* parent, Setup setup);

    wxStaticText* CountLabel() const { return m_countLabel; }
    wxStaticText* PositionLabel() const { return m_positionLabel; }
    wxButton* PreviousButton() const { return m_previousButton; }
    wxButton* NextButton() const { return m_nextButton; }

    void Next();
    void Previous();

    // Shows the record on view again (after the window came up).
    void ShowCurrent();

    // Records were added: the count label follows, once per burst.
    void RecordsAdded() { m_countRefresh.Request(); }

    // The index of the record on view; nullopt before the first "Next >>".
    std::optional<std::size_t> Current() const;

private:
    void Show();
    std::string PositionText() const;

    wxWindow* m_parent;
    Setup m_setup;
    BrowsePosition m_position;
    wxStaticText* m_countLabel = nullptr;
    wxButton* m_previousButton;
    wxButton* m_nextButton;
    wxStaticText* m_positionLabel;
    DeferredRefresh m_countRefresh;
};
