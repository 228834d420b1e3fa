#include "platform/label_font.h"

#include <wx/font.h>
#include <wx/fontutil.h>
#include <wx/window.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

void ApplyFont(wxWindow* window, const wxFont& font)
{
#ifdef __WXGTK__
    GtkWidget* widget = window->GetHandle();
    const wxNativeFontInfo* info = font.GetNativeFontInfo();
    if (widget && GTK_IS_LABEL(widget) && info && info->description)
    {
        PangoAttrList* attributes = pango_attr_list_new();
        pango_attr_list_insert(attributes, pango_attr_font_desc_new(info->description));
        gtk_label_set_attributes(GTK_LABEL(widget), attributes);
        pango_attr_list_unref(attributes);
        window->InvalidateBestSize();
        return;
    }
#endif
    window->SetFont(font);
}
