#include "platform/label_font.h"
#include "ui/labels.h"

#include <gtest/gtest.h>

#include <wx/font.h>
#include <wx/frame.h>
#include <wx/hyperlink.h>

#include <gtk/gtk.h>

namespace {

// The attribute of `type` that applies to the start of what the label
// draws, after the theme's style sheet and the label's own attributes
// are merged; nullptr when none does.
PangoAttribute* DrawnAttribute(GtkWidget* label, PangoAttrType type)
{
    PangoAttrList* attributes = pango_layout_get_attributes(gtk_label_get_layout(GTK_LABEL(label)));
    if (!attributes)
        return nullptr;
    PangoAttrIterator* at = pango_attr_list_get_iterator(attributes);
    PangoAttribute* found = pango_attr_iterator_get(at, type);
    found = found ? pango_attribute_copy(found) : nullptr;
    pango_attr_iterator_destroy(at);
    return found;
}

}  // namespace

TEST(LinkFont, ALinkIsDrawnInTheLabelFontWithoutTheThemesUnderline)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "link");
    auto* link = new wxHyperlinkCtrl(frame, wxID_ANY, "projects", "file:///nowhere");
    SetLinkFont(link);
    frame->Show();
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(link->GetHandle()));
    ASSERT_TRUE(label && GTK_IS_LABEL(label));

    PangoAttribute* underline = DrawnAttribute(label, PANGO_ATTR_UNDERLINE);
    ASSERT_TRUE(underline);
    EXPECT_EQ(reinterpret_cast<PangoAttrInt*>(underline)->value, PANGO_UNDERLINE_NONE);
    pango_attribute_destroy(underline);

    PangoAttribute* font = DrawnAttribute(label, PANGO_ATTR_FONT_DESC);
    ASSERT_TRUE(font);
    const PangoFontDescription* description = reinterpret_cast<PangoAttrFontDesc*>(font)->desc;
    EXPECT_EQ(pango_font_description_get_size(description), 10 * PANGO_SCALE);
    EXPECT_EQ(pango_font_description_get_weight(description), PANGO_WEIGHT_LIGHT);
    EXPECT_EQ(pango_font_description_get_style(description), PANGO_STYLE_NORMAL);
    pango_attribute_destroy(font);
    frame->Destroy();
}
