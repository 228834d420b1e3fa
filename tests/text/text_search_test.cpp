#include "gui_support.h"
#include "text/text_page.h"
#include "text/text_search.h"

#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/textctrl.h>

namespace {

const wxString kNoMatches = "No matches could be found. Remember, it's case sensitive!";

class TextSearchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_frame = new wxFrame(nullptr, wxID_ANY, "test");
        m_page = new TextPage(m_frame);
        m_page->SetClipboard(TestClipboard());
        m_frame->Show();
        m_searchField = FindTextCtrl(m_page, 1);
        ASSERT_TRUE(m_searchField && !m_searchField->IsMultiLine());
    }
    void TearDown() override
    {
        for (TextSearch* window : OpenWindows<TextSearch>())
            window->Destroy();
        m_frame->Destroy();
        Pump(10);
    }

    void Add(const char* text) { m_page->AddText(MakeSharedText(text)); }

    void Search(const wxString& pattern)
    {
        m_searchField->SetValue(pattern);
        Click(m_page, TextPage::ID_SEARCH);
        Pump(20);  // a message opens once the button's handler has returned
    }

    static wxString LabelOf(TextSearch* window)
    {
        wxWindow* label = FindByLabelPrefix(window, "Currently viewing");
        return label ? label->GetLabel() : wxString("(none)");
    }

    wxFrame* m_frame = nullptr;
    TextPage* m_page = nullptr;
    wxTextCtrl* m_searchField = nullptr;
};

}  // namespace

TEST_F(TextSearchTest, BrowsesTheMatchesOfTheExample)
{
    Add("xabcx");
    Add("ABC");
    Add("abc");
    Search("abc");
    EXPECT_EQ(m_searchField->GetValue(), "");

    auto windows = OpenWindows<TextSearch>();
    ASSERT_EQ(windows.size(), 1u);
    TextSearch* results = windows[0];
    EXPECT_EQ(results->GetTitle(), "Search Results");
    EXPECT_EQ(results->GetParent(), nullptr);
    wxTextCtrl* view = FindTextCtrl(results, 0);
    EXPECT_EQ(LabelOf(results), "Currently viewing #1 of 2 results");
    Pump(20);  // the first match fills the box once the window is up
    EXPECT_EQ(view->GetValue(), "xabcx");

    Click(results, TextSearch::ID_PREVIOUS);
    EXPECT_EQ(LabelOf(results), "Currently viewing #1 of 2 results");
    Click(results, TextSearch::ID_NEXT);
    EXPECT_EQ(LabelOf(results), "Currently viewing #2 of 2 results");
    EXPECT_EQ(view->GetValue(), "abc");
    Click(results, TextSearch::ID_NEXT);
    EXPECT_EQ(LabelOf(results), "Currently viewing #2 of 2 results");
}

TEST_F(TextSearchTest, NoMatchesIsDecidedBeforeAnEmptyPattern)
{
    wxTEST_DIALOG(Search(""), ExpectMessage("No Matches Found~", kNoMatches));
    Add("something");
    wxTEST_DIALOG(Search("nothing like it"), ExpectMessage("No Matches Found~", kNoMatches));
    EXPECT_EQ(m_searchField->GetValue(), "");
    wxTEST_DIALOG(Search(""), ExpectMessage("Error", "You didn't enter a search string!"));
    EXPECT_TRUE(OpenWindows<TextSearch>().empty());
}

TEST_F(TextSearchTest, EachSearchIsASnapshotOfItsOwn)
{
    Add("note one");
    Search("note");
    Add("note two");
    Search("note");
    auto windows = OpenWindows<TextSearch>();
    ASSERT_EQ(windows.size(), 2u);
    std::vector<wxString> labels{LabelOf(windows[0]), LabelOf(windows[1])};
    std::sort(labels.begin(), labels.end());
    EXPECT_EQ(labels, (std::vector<wxString>{"Currently viewing #1 of 1 results", "Currently viewing #1 of 2 results"}));
}

TEST_F(TextSearchTest, AnEditedResultIsCopiedButNotKept)
{
    Add("first match");
    Add("second match");
    Search("match");
    TextSearch* results = OpenWindows<TextSearch>().at(0);
    wxTextCtrl* view = FindTextCtrl(results, 0);
    view->SetValue("first match, edited");
    Click(results, TextSearch::ID_COPY);
    EXPECT_EQ(RunWhilePumping("xclip -selection clipboard -o"), "first match, edited");
    Click(results, TextSearch::ID_NEXT);
    Click(results, TextSearch::ID_PREVIOUS);
    EXPECT_EQ(view->GetValue(), "first match");
}
