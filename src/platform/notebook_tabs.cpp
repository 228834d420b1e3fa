#include "platform/notebook_tabs.h"

#include <wx/dcclient.h>
#include <wx/notebook.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

int NotebookTabsWidth(wxNotebook* notebook)
{
#ifdef __WXGTK__
    // Without scrolling, GTK's own size request covers the whole tab strip.
    GtkNotebook* native = GTK_NOTEBOOK(notebook->GetHandle());
    gtk_notebook_set_scrollable(native, FALSE);
    int minimum = 0, natural = 0;
    gtk_widget_get_preferred_width(GTK_WIDGET(native), &minimum, &natural);
    return natural;
#else
    wxClientDC dc(notebook);
    dc.SetFont(notebook->GetFont());
    int width = 0;
    for (size_t i = 0; i < notebook->GetPageCount(); ++i)
        width += dc.GetTextExtent(notebook->GetPageText(i)).x + 2 * 12;
    return width;
#endif
}
