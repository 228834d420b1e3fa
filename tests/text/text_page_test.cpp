#include "gui_support.h"
#include "text/text_page.h"
#include "ui/page_layout.h"

#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/textctrl.h>

namespace {

class TextPageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_frame = new wxFrame(nullptr, wxID_ANY, "test");
        m_page = new TextPage(m_frame);
        m_page->SetClipboard(TestClipboard());
        m_frame->Show();
        m_preview = FindTextCtrl(m_page, 0);
        ASSERT_TRUE(m_preview && m_preview->IsMultiLine());
    }
    void TearDown() override { m_frame->Destroy(); }

    wxString Label(const char* prefix)
    {
        wxWindow* label = FindByLabelPrefix(m_page, prefix);
        return label ? label->GetLabel() : wxString("(none)");
    }

    void Add(const char* text)
    {
        m_page->AddText(MakeSharedText(text));
        Pump(1);  // the count label follows once queued events are handled
    }

    wxFrame* m_frame = nullptr;
    TextPage* m_page = nullptr;
    wxTextCtrl* m_preview = nullptr;
};

}  // namespace

TEST_F(TextPageTest, LabelsFollowTheRecordsWithoutMovingTheView)
{
    EXPECT_EQ(Label("You currently"), "You currently have 0 items of text saved from the clipboard");
    EXPECT_EQ(Label("Currently viewing"), "Currently viewing #0");
    EXPECT_TRUE(FindByLabelPrefix(m_page, "Search log: "));
    EXPECT_TRUE(FindByLabelPrefix(m_page, "Preview:"));

    Add("first");
    EXPECT_EQ(Label("You currently"), "You currently have 1 items of text saved from the clipboard");
    Add("");
    Add("third");
    EXPECT_EQ(Label("You currently"), "You currently have 3 items of text saved from the clipboard");
    EXPECT_EQ(Label("Currently viewing"), "Currently viewing #0");
    EXPECT_EQ(m_preview->GetValue(), "");

    Click(m_page, TextPage::ID_NEXT);
    EXPECT_EQ(Label("Currently viewing"), "Currently viewing #1");
    EXPECT_EQ(m_preview->GetValue(), "first");
}

TEST_F(TextPageTest, ACountLabelInABurstCatchesUpWithTheLastRecord)
{
    // Takes of several records each, faster than the label is redrawn: the
    // label waits, and then names them all.
    for (int take = 0; take < 5; ++take)
    {
        for (int i = 0; i < 3; ++i)
            m_page->AddText(MakeSharedText("burst " + std::to_string(take * 3 + i)));
        Pump(5);
    }
    Pump(static_cast<int>(DeferredRefresh::kMinInterval.count()) * 2);
    EXPECT_EQ(Label("You currently"), "You currently have 15 items of text saved from the clipboard");
}

TEST_F(TextPageTest, NextAndPreviousStopAtTheEnds)
{
    Click(m_page, TextPage::ID_NEXT);  // no records yet
    Click(m_page, TextPage::ID_PREVIOUS);
    EXPECT_EQ(Label("Currently viewing"), "Currently viewing #0");

    Add("one");
    Add("two");
    Click(m_page, TextPage::ID_NEXT);
    Click(m_page, TextPage::ID_PREVIOUS);
    EXPECT_EQ(Label("Currently viewing"), "Currently viewing #1");
    Click(m_page, TextPage::ID_NEXT);
    Click(m_page, TextPage::ID_NEXT);
    EXPECT_EQ(Label("Currently viewing"), "Currently viewing #2");
    EXPECT_EQ(m_preview->GetValue(), "two");

    Add("three");  // arrives while the last record is shown
    Click(m_page, TextPage::ID_NEXT);
    EXPECT_EQ(m_preview->GetValue(), "three");
}

TEST_F(TextPageTest, CopiesThePreviewAsEditedButKeepsTheRecord)
{
    Add("one");
    Add("two \xE2\x82\xAC");
    Add("three");
    Click(m_page, TextPage::ID_NEXT);
    Click(m_page, TextPage::ID_NEXT);
    EXPECT_EQ(m_preview->GetValue(), wxString::FromUTF8("two \xE2\x82\xAC"));

    m_preview->SetValue(wxString::FromUTF8("two, edited \xE2\x82\xAC"));
    Click(m_page, TextPage::ID_COPY);
    EXPECT_EQ(RunWhilePumping("xclip -selection clipboard -o"), "two, edited \xE2\x82\xAC");

    Click(m_page, TextPage::ID_NEXT);
    Click(m_page, TextPage::ID_PREVIOUS);
    EXPECT_EQ(m_preview->GetValue(), wxString::FromUTF8("two \xE2\x82\xAC"));
    EXPECT_EQ(*m_page->Texts()[1].text, "two \xE2\x82\xAC");
}

TEST_F(TextPageTest, CopyBeforeAnyRecordIsShownPutsTheEmptyPreview)
{
    Add("one");
    Click(m_page, TextPage::ID_COPY);
    EXPECT_EQ(RunWhilePumping("xclip -selection clipboard -o"), "");
}

// A huge text is cut at the preview's limit, a run without blanks (a long
// URL, base64) much sooner; either says so, copies whole, and an edit of it
// is copied with what was not shown.
TEST_F(TextPageTest, APreviewShownInPartIsMarkedAndCopiedWhole)
{
    std::string huge;
    while (huge.size() < 3 * kPreviewLimit)
        huge += "line of a long text " + std::to_string(huge.size()) + "\n";
    const std::string url = "see https://example.org/?q=" + std::string(3 * kPreviewRunLimit, 'a') + " end";
    for (const std::string& text : {huge, url})
    {
        m_page->AddText(MakeSharedText(text));
        Click(m_page, TextPage::ID_NEXT);
        const std::string shown = m_preview->GetValue().utf8_string();
        EXPECT_LE(shown.size(), kPreviewLimit + 100);
        EXPECT_NE(shown.find("The preview ends here"), std::string::npos);
        Click(m_page, TextPage::ID_COPY);
        EXPECT_TRUE(RunWhilePumping("xclip -selection clipboard -o") == text);

        m_preview->SetValue("edited " + m_preview->GetValue());
        m_preview->MarkDirty();
        Click(m_page, TextPage::ID_COPY);
        EXPECT_TRUE(RunWhilePumping("xclip -selection clipboard -o") == "edited " + text);
    }
}
