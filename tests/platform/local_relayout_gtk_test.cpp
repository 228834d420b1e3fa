#include "platform/local_relayout.h"
#include "gui_support.h"
#include "ui/labels.h"

#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <gtk/gtk.h>

namespace {

void CountAllocation(GtkWidget*, GdkRectangle*, gpointer count)
{
    ++*static_cast<int*>(count);
}

}  // namespace

// A count relabelled at each copy is drawn again alone: the notebook
// around its page, which redraws the whole window when it is sized again,
// is left alone; and figures growing in number still fit.
TEST(LocalRelayout, ARelabelledCountSizesNothingAboveItsPageAndStillFits)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "relabel", wxDefaultPosition, wxSize(500, 300));
    auto* notebook = new wxNotebook(frame, wxID_ANY);
    auto* page = new wxPanel(notebook);
    notebook->AddPage(page, "page");
    auto* count = new wxStaticText(page, wxID_ANY, "You have 9 items", wxDefaultPosition, wxDefaultSize,
                                   wxST_NO_AUTORESIZE);
    SetLabelFont(count);
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    sizer->Add(count);
    page->SetSizer(sizer);
    KeepRelayoutInside(page);
    frame->Show();
    Pump(200);

    int allocations = 0;
    g_signal_connect(notebook->GetHandle(), "size-allocate", G_CALLBACK(CountAllocation), &allocations);
    EXPECT_FALSE(RelabelFigures(count, "You have 8 items"));
    Pump(100);
    EXPECT_EQ(allocations, 0);

    EXPECT_TRUE(RelabelFigures(count, "You have 10 items"));
    page->Layout();
    Pump(100);
    EXPECT_EQ(allocations, 0);
    EXPECT_GE(count->GetSize().x, LabelTextSize(count).x);
    const int width = count->GetSize().x;
    EXPECT_FALSE(RelabelFigures(count, "You have 88 items"));
    EXPECT_EQ(count->GetSize().x, width);
    EXPECT_GE(width, LabelTextSize(count).x);
    frame->Destroy();
}

// A page behind another is sized still, whether it was never shown (and so
// never realized) or was shown before.
TEST(LocalRelayout, AChildOnAPageNotShownIsSizedStill)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "hidden page", wxDefaultPosition, wxSize(500, 300));
    auto* notebook = new wxNotebook(frame, wxID_ANY);
    notebook->AddPage(new wxPanel(notebook), "first");
    auto* page = new wxPanel(notebook);
    KeepRelayoutInside(page);
    auto* box = new wxPanel(page, wxID_ANY, wxPoint(10, 10), wxSize(200, 200));
    auto* child = new wxStaticBitmap(box, wxID_ANY, wxNullBitmap, wxPoint(0, 0), wxSize(150, 150));
    notebook->AddPage(page, "second");
    frame->Show();
    Pump(200);

    auto allocated = [child] {
        GtkAllocation allocation;
        gtk_widget_get_allocation(child->GetHandle(), &allocation);
        return wxSize(allocation.width, allocation.height);
    };
    child->SetSize(0, 0, 50, 40);
    Pump(200);
    EXPECT_EQ(allocated(), wxSize(50, 40));

    notebook->SetSelection(1);
    Pump(200);
    notebook->SetSelection(0);
    Pump(200);
    child->SetSize(0, 0, 60, 30);
    Pump(200);
    EXPECT_EQ(allocated(), wxSize(60, 30));
    frame->Destroy();
}
