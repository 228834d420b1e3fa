#include "dialogs/about_dialogs.h"
#include "file/file_page.h"
#include "gui_support.h"
#include "platform/accessible.h"
#include "text/text_page.h"

#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <gtk/gtk.h>

#include <string>
#include <vector>

namespace {

AtkObject* Accessible(GtkWidget* widget)
{
    return gtk_widget_get_accessible(widget);
}

AtkObject* Accessible(wxWindow* window)
{
    auto* widget = static_cast<GtkWidget*>(window->GetHandle());
    if (GTK_IS_SCROLLED_WINDOW(widget))
        widget = gtk_bin_get_child(GTK_BIN(widget));
    return Accessible(widget);
}

// The names of what `object` is tied to by relations of this type, as a
// screen reader reads them.
std::vector<std::string> Related(AtkObject* object, AtkRelationType type)
{
    std::vector<std::string> names;
    AtkRelationSet* relations = atk_object_ref_relation_set(object);
    if (AtkRelation* relation = atk_relation_set_get_relation_by_type(relations, type))
    {
        GPtrArray* targets = atk_relation_get_target(relation);
        for (guint i = 0; i < targets->len; ++i)
        {
            const gchar* name = atk_object_get_name(ATK_OBJECT(g_ptr_array_index(targets, i)));
            names.push_back(name ? name : "");
        }
    }
    g_object_unref(relations);
    return names;
}

using Names = std::vector<std::string>;

}  // namespace

// The toolkit ties each label to the next focusable control once the window
// is first idle; the pages' labels name what the design puts them beside.
TEST(AccessibleLabels, EachLabelNamesItsOwnControlOrNothing)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "labels");
    auto* page = new TextPage(frame);
    frame->Show();
    Pump(50);
    EXPECT_EQ(Related(Accessible(FindTextCtrl(page, 0)), ATK_RELATION_LABELLED_BY), Names{"Preview:"});
    EXPECT_EQ(Related(Accessible(FindTextCtrl(page, 1)), ATK_RELATION_LABELLED_BY), Names{"Search log: "});
    for (const char* label : {"You currently", "Currently viewing"})
        EXPECT_EQ(Related(Accessible(FindByLabelPrefix(page, label)), ATK_RELATION_LABEL_FOR), Names{}) << label;
    EXPECT_EQ(Related(Accessible(FindByLabelPrefix(page, "Copy to Clipboard")), ATK_RELATION_LABELLED_BY),
              Names{});
    frame->Destroy();
}

TEST(AccessibleLabels, FileDetailsAreReachedWithTabAndTheLocationButtonsToldApart)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "files");
    auto* page = new FilePage(frame);
    frame->Show();
    Pump(50);
    EXPECT_STREQ(atk_object_get_name(Accessible(page->FindWindow(FilePage::ID_COPY_ORIGINAL_LOCATION))),
                 "Copy original location");
    EXPECT_STREQ(atk_object_get_name(Accessible(page->FindWindow(FilePage::ID_COPY_STORED_LOCATION))),
                 "Copy stored location");
    // Each detail value is a Tab stop named by its caption, which names
    // nothing else.
    int details = 0;
    for (wxWindow* child : page->GetChildren())
    {
        auto* widget = static_cast<GtkWidget*>(child->GetHandle());
        if (!dynamic_cast<wxStaticText*>(child) || !child->AcceptsFocusFromKeyboard())
            continue;
        ++details;
        EXPECT_TRUE(gtk_widget_child_focus(widget, GTK_DIR_TAB_FORWARD)) << child->GetLabel();
        EXPECT_TRUE(gtk_widget_has_focus(widget) || gtk_widget_is_focus(widget));
        EXPECT_EQ(Related(Accessible(widget), ATK_RELATION_LABELLED_BY), Names{});
    }
    EXPECT_EQ(details, 6);
    frame->Destroy();
}

TEST(AccessibleRoles, AboutDialogsAreDialogsAndTheirTextNamesNothing)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "about");
    auto* dialog = new AboutSoftware(frame);
    dialog->Show();
    Pump(50);
    EXPECT_EQ(atk_object_get_role(Accessible(dialog)), ATK_ROLE_DIALOG);
    for (wxWindow* child : dialog->GetChildren())
    {
        if (!dynamic_cast<wxStaticText*>(child))
            continue;
        EXPECT_EQ(Related(Accessible(child), ATK_RELATION_LABEL_FOR), Names{}) << child->GetLabel();
    }
    dialog->Destroy();
    frame->Destroy();
}

// Said as the focused control's description, which goes again with the focus.
TEST(Announce, IsTheFocusedControlsDescriptionUntilTheFocusLeaves)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "announce");
    auto* first = new wxButton(frame, wxID_ANY, "first", wxPoint(0, 0));
    auto* second = new wxButton(frame, wxID_ANY, "second", wxPoint(0, 40));
    frame->Show();
    first->SetFocus();
    Pump(50);
    Announce(first, "3 items of text");
    EXPECT_STREQ(atk_object_get_description(Accessible(first)), "3 items of text");
    EXPECT_STREQ(atk_object_get_description(Accessible(second)), nullptr);
    second->SetFocus();
    Pump(50);
    const gchar* left = atk_object_get_description(Accessible(first));
    EXPECT_TRUE(!left || !*left) << left;
    frame->Destroy();
}
