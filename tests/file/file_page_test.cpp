#include "file/file_page.h"

#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/textctrl.h>

// The keyboard reaches the page's controls in the order of its children.
TEST(FilePageKeyboard, TabVisitsBothLocationBoxesThenTheirCopyButtons)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "files");
    auto* page = new FilePage(frame);
    constexpr int kBox = -1;
    std::vector<int> order;
    for (wxWindow* child : page->GetChildren())
    {
        if (dynamic_cast<wxTextCtrl*>(child))
            order.push_back(kBox);
        else if (child->GetId() == FilePage::ID_COPY_ORIGINAL_LOCATION ||
                 child->GetId() == FilePage::ID_COPY_STORED_LOCATION)
            order.push_back(child->GetId());
    }
    EXPECT_EQ(order,
              (std::vector<int>{kBox, kBox, FilePage::ID_COPY_ORIGINAL_LOCATION, FilePage::ID_COPY_STORED_LOCATION}));
    frame->Destroy();
}
