#include "platform/label_font.h"

#include <wx/font.h>
#include <wx/fontutil.h>
#include <wx/window.h>

#include <gtk/gtk.h>

namespace {

// A label's own attributes win over what the theme's style sheet says.
bool SetLabelAttributes(GtkWidget* widget, const wxFont& font, bool underline)
{
    const wxNativeFontInfo* info = font.GetNativeFontInfo();
    if (!widget || !GTK_IS_LABEL(widget) || !info || !info->description)
        return false;
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_font_desc_new(info->description));
    if (!underline)
        pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_NONE));
    gtk_label_set_attributes(GTK_LABEL(widget), attributes);
    pango_attr_list_unref(attributes);
    return true;
}

}  // namespace

void ApplyFont(wxWindow* window, const wxFont& font)
{
    if (SetLabelAttributes(window->GetHandle(), font, true))
        window->InvalidateBestSize();
    else
        window->SetFont(font);
}

void ApplyLinkFont(wxWindow* link, const wxFont& font)
{
    // The link is GTK's link button, which draws its text with a label of
    // its own.
    GtkWidget* button = link->GetHandle();
    GtkWidget* label = button && GTK_IS_BIN(button) ? gtk_bin_get_child(GTK_BIN(button)) : nullptr;
    if (SetLabelAttributes(label, font, false))
        link->InvalidateBestSize();
    else
        link->SetFont(font);
}
