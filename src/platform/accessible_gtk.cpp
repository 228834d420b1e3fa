#include "platform/accessible.h"

#include <wx/string.h>
#include <wx/toplevel.h>
#include <wx/window.h>

#include <gtk/gtk.h>

#include <string>

namespace {

// The widget that takes the focus for a control: a multi-line text box is
// a text view inside a scrolled window.
GtkWidget* FocusWidget(wxWindow* control)
{
    auto* widget = static_cast<GtkWidget*>(control->GetHandle());
    if (widget && GTK_IS_SCROLLED_WINDOW(widget))
        if (GtkWidget* child = gtk_bin_get_child(GTK_BIN(widget)))
            return child;
    return widget;
}

AtkObject* AccessibleOf(wxWindow* control)
{
    GtkWidget* widget = FocusWidget(control);
    return widget ? gtk_widget_get_accessible(widget) : nullptr;
}

GtkLabel* LabelWidget(wxWindow* label)
{
    auto* widget = static_cast<GtkWidget*>(label->GetHandle());
    if (widget && GTK_IS_BIN(widget))
        widget = gtk_bin_get_child(GTK_BIN(widget));
    return widget && GTK_IS_LABEL(widget) ? GTK_LABEL(widget) : nullptr;
}

gboolean NameByTitle(GSignalInvocationHint*, guint count, const GValue* values, gpointer)
{
    if (count < 1)
        return TRUE;
    GObject* object = static_cast<GObject*>(g_value_get_object(&values[0]));
    if (object && GTK_IS_MESSAGE_DIALOG(object))
    {
        const gchar* title = gtk_window_get_title(GTK_WINDOW(object));
        if (title && *title)
            atk_object_set_name(gtk_widget_get_accessible(GTK_WIDGET(object)), title);
    }
    return TRUE;  // stay hooked
}

// The control a label names, which the toolkit would otherwise replace by
// whichever focusable control was made after the label, when the window is
// first idle. Weak: the control may go before its label.
struct WantedControl
{
    GtkWidget* widget = nullptr;

    void Set(GtkWidget* control)
    {
        if (widget)
            g_object_remove_weak_pointer(G_OBJECT(widget), reinterpret_cast<gpointer*>(&widget));
        widget = control;
        if (widget)
            g_object_add_weak_pointer(G_OBJECT(widget), reinterpret_cast<gpointer*>(&widget));
    }
};

const char kWantedKey[] = "quillory-labelled-control";

void ForgetWanted(gpointer data)
{
    auto* wanted = static_cast<WantedControl*>(data);
    wanted->Set(nullptr);
    delete wanted;
}

void KeepWanted(GObject* object, GParamSpec*, gpointer data)
{
    auto* wanted = static_cast<WantedControl*>(data);
    GtkLabel* label = GTK_LABEL(object);
    // GTK itself clears it when the control goes: that stays.
    GtkWidget* now = gtk_label_get_mnemonic_widget(label);
    if (now && now != wanted->widget)
        gtk_label_set_mnemonic_widget(label, wanted->widget);
}

// A message said as an object's description, taken back later.
struct SaidMessage
{
    GWeakRef object;
    std::string message;
};

constexpr guint kSaidFor = 1500;  // ms: long enough to be heard, at worst after a little queueing

// The take-back waiting for an object's message, kept on the object: a new
// message on it puts the take-back off rather than adding one, so that a
// count said every second wakes the program once, after the last.
constexpr char kTakeBackKey[] = "quillory-take-back";

gboolean TakeBackDescription(gpointer data)
{
    auto* said = static_cast<SaidMessage*>(data);
    if (auto* accessible = static_cast<AtkObject*>(g_weak_ref_get(&said->object)))
    {
        // The program gives none of its focusable controls a description of
        // its own: none is put back, and an empty one is never spoken.
        g_object_set_data(G_OBJECT(accessible), kTakeBackKey, nullptr);
        const gchar* now = atk_object_get_description(accessible);
        if (now && said->message == now)
            atk_object_set_description(accessible, "");
        g_object_unref(accessible);
    }
    return G_SOURCE_REMOVE;
}

// Taken back as soon as the focus leaves the control, too: a screen reader
// reads a description as part of the control when the focus comes back.
gboolean TakeBackOnFocusOut(GtkWidget* widget, GdkEvent*, gpointer)
{
    AtkObject* accessible = gtk_widget_get_accessible(widget);
    if (accessible && accessible->description && *accessible->description)
        atk_object_set_description(accessible, "");
    return FALSE;
}

const char kWatchedKey[] = "quillory-said-watched";

void TakeBackWhenLeft(GtkWidget* widget)
{
    if (g_object_get_data(G_OBJECT(widget), kWatchedKey))
        return;
    g_object_set_data(G_OBJECT(widget), kWatchedKey, GINT_TO_POINTER(1));
    g_signal_connect(widget, "focus-out-event", G_CALLBACK(TakeBackOnFocusOut), nullptr);
}

// Told of it now, a screen reader would say it now and again with the
// control when the focus comes: it is set without a word, as ATK's own
// setter sets it.
void SetSilently(AtkObject* accessible, const std::string& description)
{
    g_free(accessible->description);
    accessible->description = g_strdup(description.c_str());
}

void ForgetSaid(gpointer data)
{
    auto* said = static_cast<SaidMessage*>(data);
    g_weak_ref_clear(&said->object);
    delete said;
}

}  // namespace

void ExposeAsLink(wxWindow* control)
{
    if (AtkObject* accessible = AccessibleOf(control))
        atk_object_set_role(accessible, ATK_ROLE_LINK);
}

void ExposeAsDialog(wxWindow* window)
{
    if (AtkObject* accessible = AccessibleOf(window))
        atk_object_set_role(accessible, ATK_ROLE_DIALOG);
}

void ExposeAsImage(wxWindow* control, const wxString& description)
{
    if (AtkObject* accessible = AccessibleOf(control))
    {
        atk_object_set_role(accessible, ATK_ROLE_IMAGE);
        atk_object_set_name(accessible, description.utf8_str());
    }
}

void SetAccessibleName(wxWindow* control, const wxString& name)
{
    if (AtkObject* accessible = AccessibleOf(control))
        atk_object_set_name(accessible, name.utf8_str());
}

void LinkLabel(wxWindow* label, wxWindow* control)
{
    GtkLabel* widget = LabelWidget(label);
    if (!widget)
        return;
    auto* wanted = static_cast<WantedControl*>(g_object_get_data(G_OBJECT(widget), kWantedKey));
    if (!wanted)
    {
        wanted = new WantedControl;
        g_object_set_data_full(G_OBJECT(widget), kWantedKey, wanted, ForgetWanted);
        g_signal_connect(widget, "notify::mnemonic-widget", G_CALLBACK(KeepWanted), wanted);
    }
    wanted->Set(control ? FocusWidget(control) : nullptr);
    // GTK reads the relations on both sides from the mnemonic widget.
    gtk_label_set_mnemonic_widget(widget, wanted->widget);
}

void LetLabelTakeFocus(wxWindow* label)
{
    // GTK moves the focus only to a label that can be selected. Focus
    // alone selects nothing: a selection would show, and become the
    // primary selection, at every Tab.
    if (GtkLabel* widget = LabelWidget(label))
    {
        // The toolkit stops the "focus" signal of a window made as one that
        // never takes the focus, as a label is, which Tab then passes by.
        g_signal_handlers_disconnect_matched(widget, static_cast<GSignalMatchType>(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_DATA),
                                             g_signal_lookup("focus", GTK_TYPE_WIDGET), 0, nullptr, nullptr, label);
        gtk_label_set_selectable(widget, TRUE);
        g_object_set(gtk_widget_get_settings(GTK_WIDGET(widget)), "gtk-label-select-on-focus", FALSE, nullptr);
    }
}

void Announce(wxWindow* window, const wxString& message)
{
    wxWindow* top = wxGetTopLevelParent(window);
    if (!top || !top->GetHandle() || !GTK_IS_WINDOW(top->GetHandle()))
        return;
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(top->GetHandle()));
    if (!focus)
        return;
    AtkObject* accessible = gtk_widget_get_accessible(focus);
    // A notebook's focus is on its tab: the screen reader follows the tab's
    // own accessible object, one child of the notebook's per page.
    AtkObject* tab = nullptr;
    if (GTK_IS_NOTEBOOK(focus))
    {
        gint page = gtk_notebook_get_current_page(GTK_NOTEBOOK(focus));
        if (page >= 0 && page < atk_object_get_n_accessible_children(accessible))
            accessible = tab = atk_object_ref_accessible_child(accessible, page);
    }
    if (!accessible)
        return;
    // A screen reader speaks a new description of the object it is on, and
    // reads the description with the object when the focus comes to it:
    // in a window that has the focus the message is taken back once heard
    // (a reader drops an event that a later one of the same kind on the
    // same object overtakes before it is spoken), in one that has not, when
    // the focus leaves the control, so that it is heard on coming back.
    const std::string said(message.utf8_str());
    const bool active = gtk_window_is_active(GTK_WINDOW(top->GetHandle()));
    if (active || tab)
    {
        // ATK tells nobody of an object's first description.
        if (!accessible->description)
            atk_object_set_description(accessible, "");
        atk_object_set_description(accessible, said.c_str());
    }
    else
        SetSilently(accessible, said);
    if (!tab)
        TakeBackWhenLeft(focus);
    if (active || tab)
    {
        auto* pending = new SaidMessage;
        g_weak_ref_init(&pending->object, accessible);
        pending->message = said;
        if (guint waiting = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(accessible), kTakeBackKey)))
            g_source_remove(waiting);
        guint id = g_timeout_add_full(G_PRIORITY_DEFAULT, kSaidFor, TakeBackDescription, pending, ForgetSaid);
        g_object_set_data(G_OBJECT(accessible), kTakeBackKey, GUINT_TO_POINTER(id));
    }
    if (tab)
        g_object_unref(tab);
}

void DescribeUntilLeft(wxWindow* control, const wxString& message)
{
    GtkWidget* widget = FocusWidget(control);
    if (!widget)
        return;
    SetSilently(gtk_widget_get_accessible(widget), std::string(message.utf8_str()));
    TakeBackWhenLeft(widget);
}

void NameMessageBoxesByCaption()
{
    // At "map", after the message box has named itself and before a screen
    // reader hears of the window.
    static bool hooked = false;
    if (hooked)
        return;
    hooked = true;
    gpointer type = g_type_class_ref(GTK_TYPE_WIDGET);
    g_signal_add_emission_hook(g_signal_lookup("map", GTK_TYPE_WIDGET), 0, NameByTitle, nullptr, nullptr);
    g_type_class_unref(type);
}
