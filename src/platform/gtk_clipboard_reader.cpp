// The clipboard reader for GTK. The toolkit's own clipboard reads spin the
// GUI thread until the owner answers, and an owner that never answers froze
// the window; GTK's asynchronous requests let the event loop run meanwhile.

#include "platform/clipboard_reader.h"

#include "capture/read_plan.h"
#include "capture/uri_list.h"

#include <gtk/gtk.h>

#include <cstdint>

namespace {

struct ReaderState
{
    GtkClipboard* clipboard = nullptr;
    ClipboardReader::Deliver deliver;
    std::string hostName;
    std::uint64_t lastStarted = 0;    // generation of the newest change
    std::uint64_t lastDelivered = 0;  // generation of the newest snapshot sent out
    bool stopped = false;
};

// One read in flight: the steps of a read pass it along, and each step
// gives up as soon as a newer change's snapshot has gone out.
struct Read
{
    std::shared_ptr<ReaderState> state;
    std::uint64_t generation;
    ReadPlan plan;

    bool Overtaken() const { return state->stopped || generation <= state->lastDelivered; }

    void Deliver(ClipSnapshot snapshot)
    {
        state->lastDelivered = generation;
        state->deliver(std::move(snapshot));
    }
};

void ReadTextOrImage(Read* read);

void OnText(GtkClipboard*, const gchar* text, gpointer data)
{
    Read* read = static_cast<Read*>(data);
    if (!read->Overtaken())
        read->Deliver(text ? ClipSnapshot::OfText(text) : ClipSnapshot::Nothing());
    delete read;
}

void OnImage(GtkClipboard*, GtkSelectionData* selection, gpointer data)
{
    Read* read = static_cast<Read*>(data);
    if (!read->Overtaken())
    {
        gint length = selection ? gtk_selection_data_get_length(selection) : -1;
        if (length > 0)
        {
            const guchar* bytes = gtk_selection_data_get_data(selection);
            read->Deliver(ClipSnapshot::OfImage(std::vector<unsigned char>(bytes, bytes + length),
                                                read->plan.imageTarget));
        }
        else
            read->Deliver(ClipSnapshot::Nothing());
    }
    delete read;
}

void OnUriList(GtkClipboard*, GtkSelectionData* selection, gpointer data)
{
    Read* read = static_cast<Read*>(data);
    if (read->Overtaken())
    {
        delete read;
        return;
    }
    gint length = selection ? gtk_selection_data_get_length(selection) : -1;
    if (length > 0)
    {
        const char* bytes = reinterpret_cast<const char*>(gtk_selection_data_get_data(selection));
        auto paths = ParseFileUriList(std::string_view(bytes, length), read->state->hostName);
        if (paths)
        {
            read->Deliver(ClipSnapshot::OfFiles(std::move(*paths)));
            delete read;
            return;
        }
    }
    // Not a list of local files: what else the clipboard offers decides.
    ReadTextOrImage(read);
}

void ReadTextOrImage(Read* read)
{
    if (read->plan.text)
        gtk_clipboard_request_text(read->state->clipboard, OnText, read);
    else if (!read->plan.imageTarget.empty())
        gtk_clipboard_request_contents(read->state->clipboard, gdk_atom_intern(read->plan.imageTarget.c_str(), FALSE),
                                       OnImage, read);
    else
    {
        read->Deliver(ClipSnapshot::Nothing());
        delete read;
    }
}

void OnTargets(GtkClipboard*, GdkAtom* targets, gint count, gpointer data)
{
    Read* read = static_cast<Read*>(data);
    if (read->Overtaken())
    {
        delete read;
        return;
    }
    if (!targets || count <= 0)
    {
        read->Deliver(ClipSnapshot::Nothing());
        delete read;
        return;
    }

    std::vector<std::string> names;
    for (gint i = 0; i < count; ++i)
    {
        gchar* name = gdk_atom_name(targets[i]);
        names.emplace_back(name);
        g_free(name);
    }
    read->plan = PlanRead(names, gtk_targets_include_text(targets, count));

    if (!read->plan.fileListTarget.empty())
        gtk_clipboard_request_contents(read->state->clipboard,
                                       gdk_atom_intern(read->plan.fileListTarget.c_str(), FALSE), OnUriList, read);
    else
        ReadTextOrImage(read);
}

void StartRead(const std::shared_ptr<ReaderState>& state)
{
    Read* read = new Read{state, ++state->lastStarted, ReadPlan()};
    gtk_clipboard_request_targets(state->clipboard, OnTargets, read);
}

void OnOwnerChange(GtkClipboard*, GdkEvent*, gpointer data)
{
    auto* state = static_cast<std::shared_ptr<ReaderState>*>(data);
    if (!(*state)->stopped)
        StartRead(*state);
}

class GtkClipboardReader : public ClipboardReader
{
public:
    explicit GtkClipboardReader(Deliver deliver) : m_state(std::make_shared<ReaderState>())
    {
        m_state->clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
        m_state->deliver = std::move(deliver);
        m_state->hostName = LocalHostName();
        m_handler = g_signal_connect(m_state->clipboard, "owner-change", G_CALLBACK(OnOwnerChange), &m_state);
        StartRead(m_state);
    }

    ~GtkClipboardReader() override { Stop(); }

    void Stop() override
    {
        if (m_handler)
        {
            g_signal_handler_disconnect(m_state->clipboard, m_handler);
            m_handler = 0;
        }
        // Reads still in flight hold the state and see this when they answer.
        m_state->stopped = true;
    }

private:
    std::shared_ptr<ReaderState> m_state;
    gulong m_handler = 0;
};

}  // namespace

std::unique_ptr<ClipboardReader> CreateGtkClipboardReader(ClipboardReader::Deliver deliver)
{
    return std::make_unique<GtkClipboardReader>(std::move(deliver));
}
