#include "platform/notebook_tabs.h"

#include <wx/notebook.h>

#include <gtk/gtk.h>

int NotebookTabsWidth(wxNotebook* notebook)
{
    // Without scrolling, GTK's own size request covers the whole tab strip.
    GtkNotebook* native = GTK_NOTEBOOK(notebook->GetHandle());
    gtk_notebook_set_scrollable(native, FALSE);
    int minimum = 0, natural = 0;
    gtk_widget_get_preferred_width(GTK_WIDGET(native), &minimum, &natural);
    return natural;
}
