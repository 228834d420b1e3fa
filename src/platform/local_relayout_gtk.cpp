#include "platform/local_relayout.h"

#include <gtk/gtk.h>
#include <wx/window.h>

namespace {

void SetResizeMode(GtkWidget* widget, GtkResizeMode mode)
{
    // Deprecated as unneeded for widgets GTK itself lays out; still what
    // makes a container the root of its children's resizes in GTK 3.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_resize_mode(GTK_CONTAINER(widget), mode);
    G_GNUC_END_IGNORE_DEPRECATIONS
}

void SizeChildrenHere(GtkWidget* widget, gpointer)
{
    SetResizeMode(widget, GTK_RESIZE_QUEUE);
}

// A root of resizes that is not shown sizes nothing: a notebook page behind
// another is sized by the notebook, as it would be without this. What was
// asked meanwhile is asked of the notebook.
void SizeChildrenAbove(GtkWidget* widget, gpointer)
{
    SetResizeMode(widget, GTK_RESIZE_PARENT);
    gtk_widget_queue_resize(widget);
}

}  // namespace

void KeepRelayoutInside(wxWindow* container)
{
    GtkWidget* widget = container->GetHandle();
    if (!GTK_IS_CONTAINER(widget))
        return;
    g_signal_connect_after(widget, "map", G_CALLBACK(SizeChildrenHere), nullptr);
    g_signal_connect(widget, "unmap", G_CALLBACK(SizeChildrenAbove), nullptr);
    if (gtk_widget_get_mapped(widget))
        SizeChildrenHere(widget, nullptr);
}
