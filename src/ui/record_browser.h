#pragma once

#include "ui/browse.h"
#include "ui/page_layout.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class CallbackTimer;
class wxButton;
class wxStaticText;
class wxString;
class wxWindow;

// The browsing part that every page and the results window share: the
// count label, "<< Previous", "Next >>" and the position label, the
// position itself, and the count that follows the records as they arrive.
// The owner keeps the records and puts one on view when asked; its event
// handlers forward to Next() and Previous().
class RecordBrowser
{
public:
    // Where the position label is made, which is where a screen reader
    // reads it: after the two buttons, before them, or when the owner
    // calls MakePositionLabel().
    enum class PositionAt
    {
        AfterButtons,
        BeforeButtons,
        Later
    };

    struct Setup
    {
        int previousId = 0;
        int nextId = 0;
        const char* what = nullptr;  // "items of text" for a count label; none without
        bool results = false;        // "Currently viewing #N of M results" instead of "#N"
        std::uint32_t start = 0;     // 0 until the first "Next >>"; a results window starts at 1
        std::function<std::size_t()> count;
        std::function<void(std::size_t index)> show;  // the record at this 0-based index
        // What a screen reader says of the record after its position, once
        // it is on view: the start of a text, what a picture is.
        std::function<wxString(std::size_t index)> spoken;
        PositionAt positionAt = PositionAt::AfterButtons;
    };

    // Makes the controls on `parent` now, in this order: the count label,
    // "<< Previous", "Next >>", and the position label where asked.
    RecordBrowser(wxWindow* parent, Setup setup);
    ~RecordBrowser();

    void MakePositionLabel();

    // Once the owner has made all its controls: the count and position
    // labels name none of them.
    void LabelsNameNothing();

    wxStaticText* CountLabel() const { return m_countLabel; }
    wxStaticText* PositionLabel() const { return m_positionLabel; }
    wxButton* PreviousButton() const { return m_previousButton; }
    wxButton* NextButton() const { return m_nextButton; }

    void Next();
    void Previous();

    // Shows the record on view again (after the window came up), without
    // a word to a screen reader.
    void ShowCurrent();
    // Tells a screen reader the position and the record on view again.
    void SayCurrent();
    // What that says: the position, and the record's own words.
    wxString SpokenCurrent() const;

    // Records were added: the count label follows, once per burst, and a
    // screen reader hears the new count, at most once a second.
    void RecordsAdded() { m_countRefresh.Request(); }

    // The index of the record on view; nullopt before the first "Next >>".
    std::optional<std::size_t> Current() const;

private:
    static constexpr std::chrono::milliseconds kCountSaidEvery{1000};
    // Records taken once a second may come a little less than a second
    // after the last were said.
    static constexpr std::chrono::milliseconds kCountSaidEarly{50};

    void Show();
    void SayCount();
    std::string PositionText() const;

    wxWindow* m_parent;
    Setup m_setup;
    BrowsePosition m_position;
    wxStaticText* m_countLabel = nullptr;
    wxButton* m_previousButton;
    wxButton* m_nextButton;
    wxStaticText* m_positionLabel = nullptr;
    DeferredRefresh m_countRefresh;
    std::chrono::steady_clock::time_point m_countSaid;
    std::unique_ptr<CallbackTimer> m_sayCountTimer;
};

// Tells a screen reader whether a copy button's record went to the
// clipboard: "Copied", or "Not copied" when the clipboard could not be
// taken. Nothing shows.
void SayCopied(wxWindow* where, bool copied);
