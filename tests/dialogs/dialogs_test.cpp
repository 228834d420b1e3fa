#include "app/main_frame.h"
#include "dialogs/about_dialogs.h"
#include "dialogs/license_dialog.h"
#include "gui_support.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <wx/hyperlink.h>
#include <wx/log.h>
#include <wx/textctrl.h>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Runs the test in a folder of its own, where info/license.txt is read.
class DialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldDir = fs::current_path();
        fs::current_path(m_dir.Path());
        fs::create_directories(m_dir / "info");
        WriteFile(m_dir / "info" / "license.txt", "First license text.\nSecond line.");
        m_frame = new MainFrame();
        m_frame->SetClipboard(TestClipboard());
        m_frame->Show();
    }
    void TearDown() override
    {
        m_frame->Destroy();
        Pump(20);
        fs::current_path(m_oldDir);
    }

    template <class D>
    void ExpectClosedAndDestroyed(int command, std::function<void(D*)> close)
    {
        bool seen = false;
        m_frame->CallAfter([&] {
            auto open = OpenWindows<D>();
            ASSERT_EQ(open.size(), 1u);
            EXPECT_TRUE(open[0]->IsModal());
            seen = true;
            close(open[0]);
        });
        Choose(m_frame, command);  // returns when the modal run ends
        Pump(20);
        EXPECT_TRUE(seen);
        EXPECT_TRUE(OpenWindows<D>().empty());
    }

    TempDir m_dir;
    fs::path m_oldDir;
    MainFrame* m_frame = nullptr;
};

wxHyperlinkCtrl* LinkOf(wxWindow* dialog)
{
    for (wxWindow* child : dialog->GetChildren())
        if (auto* link = dynamic_cast<wxHyperlinkCtrl*>(child))
            return link;
    return nullptr;
}

// Checks the dialog whose body starts with `firstLine` and has `lines`
// lines; returns the body's text.
wxString CheckAbout(wxDialog* dialog, const char* firstLine, int lines)
{
    wxString body;
    EXPECT_EQ(dialog->GetTitle(), "Quillory :: About");
    EXPECT_FALSE(dialog->HasFlag(wxRESIZE_BORDER));
    EXPECT_FALSE(dialog->HasFlag(wxMAXIMIZE_BOX));
    EXPECT_TRUE(dialog->HasFlag(wxMINIMIZE_BOX));
    EXPECT_TRUE(FindByLabelPrefix(dialog, "About The Software"));
    wxWindow* text = FindByLabelPrefix(dialog, wxString::FromUTF8(firstLine));
    EXPECT_TRUE(text);
    if (!text)
        return body;
    body = text->GetLabel();
    EXPECT_EQ(static_cast<int>(body.Freq('\n')) + 1, lines);

    // The link continues the last line, inside the body's rectangle.
    wxHyperlinkCtrl* link = LinkOf(dialog);
    EXPECT_TRUE(link);
    if (!link)
        return body;
    wxRect bodyRect = text->GetRect();
    wxRect linkRect = link->GetRect();
    EXPECT_TRUE(bodyRect.Contains(linkRect)) << "link " << linkRect.x << "," << linkRect.y << " " << linkRect.width
                                             << "x" << linkRect.height << " body " << bodyRect.x << ","
                                             << bodyRect.y << " " << bodyRect.width << "x" << bodyRect.height;
    EXPECT_GT(linkRect.y, bodyRect.y + bodyRect.height * (lines - 2) / lines);
    EXPECT_FALSE(link->GetFont().GetUnderlined());
    EXPECT_TRUE(link->GetURL().StartsWith("file:"));
    EXPECT_TRUE(link->GetURL().EndsWith("README.md"));
    return body;
}

}  // namespace

TEST_F(DialogTest, AboutDialogsShowTheirTexts)
{
    wxTEST_DIALOG(Choose(m_frame, MainFrame::ID_ABOUT_SOFTWARE), Inspect<AboutSoftware>([](AboutSoftware* d) {
                      wxString body = CheckAbout(d, "Quillory v1.0", 10);
                      // The text as it stands, its repeated word included.
                      EXPECT_TRUE(body.Contains("back them up\nautomatically,automatically keeping"));
                  }));
    wxTEST_DIALOG(Choose(m_frame, MainFrame::ID_ABOUT_AUTHOR), Inspect<AboutAuthor>([](AboutAuthor* d) {
                      CheckAbout(d, "About Me!", 7);
                      ASSERT_TRUE(LinkOf(d));
                      EXPECT_EQ(LinkOf(d)->GetLabel(), "projects");
                  }));
}

TEST_F(DialogTest, TheLicenseIsReadAnewEachTime)
{
    auto expectText = [](const char* text) {
        return Inspect<LicenseDialog>([text](LicenseDialog* d) {
            EXPECT_EQ(d->GetTitle(), "Quillory :: License");
            wxTextCtrl* area = FindTextCtrl(d, 0);
            ASSERT_TRUE(area);
            EXPECT_FALSE(area->IsEditable());
            EXPECT_EQ(area->GetValue(), text);
            EXPECT_TRUE(FindByLabelPrefix(d, "Close"));
        });
    };
    wxTEST_DIALOG(Choose(m_frame, MainFrame::ID_LICENSE), expectText("First license text.\nSecond line."));
    WriteFile(m_dir / "info" / "license.txt", "Changed while running.");
    wxTEST_DIALOG(Choose(m_frame, MainFrame::ID_LICENSE), expectText("Changed while running."));
}

TEST_F(DialogTest, AMissingLicenseGivesAnEmptyArea)
{
    fs::remove(m_dir / "info" / "license.txt");
    wxTEST_DIALOG(
        {
            Choose(m_frame, MainFrame::ID_LICENSE);
            wxLog::FlushActive();  // the toolkit's own report of the failed load
        },
        Inspect<LicenseDialog>([](LicenseDialog* d) { EXPECT_EQ(FindTextCtrl(d, 0)->GetValue(), ""); }),
        Inspect<wxDialog>([](wxDialog* report) { EXPECT_TRUE(report->GetTitle().EndsWith("Error")); }));
}

TEST_F(DialogTest, EveryDialogIsDestroyedWhenClosed)
{
    auto captionClose = [](wxDialog* d) { d->Close(); };
    ExpectClosedAndDestroyed<AboutSoftware>(MainFrame::ID_ABOUT_SOFTWARE, captionClose);
    ExpectClosedAndDestroyed<AboutSoftware>(MainFrame::ID_ABOUT_SOFTWARE, captionClose);  // a fresh one again
    ExpectClosedAndDestroyed<AboutAuthor>(MainFrame::ID_ABOUT_AUTHOR, captionClose);
    ExpectClosedAndDestroyed<LicenseDialog>(MainFrame::ID_LICENSE, captionClose);
    ExpectClosedAndDestroyed<LicenseDialog>(MainFrame::ID_LICENSE,
                                            [](LicenseDialog* d) { Click(d, LicenseDialog::ID_CLOSE); });
}
