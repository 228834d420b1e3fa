// The clipboard reader for GTK. The toolkit's own clipboard reads spin the
// GUI thread until the owner answers, and an owner that never answers froze
// the window; GTK's asynchronous requests let the event loop run meanwhile.

#include "platform/clipboard_reader.h"

#include "clipboard/clip_text.h"
#include "clipboard/read_plan.h"
#include "clipboard/uri_list.h"

#include <gtk/gtk.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

namespace {

// This machine's host name, as file: URIs name it.
std::string LocalHostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

// How long a read may take before a newer change starts another read
// beside it: an owner that never answers must not hold up later changes.
constexpr gint64 kStaleReadMicroseconds = 100 * 1000;

// One read at a time: a change while a read is running only marks the
// clipboard as changed, and the next read starts when that one ends. A
// burst of changes thus costs a few reads, not one each, and what is read
// is always the newest content.
struct ReaderState
{
    GtkClipboard* clipboard = nullptr;
    ClipboardReader::Deliver deliver;
    std::string hostName;
    std::uint64_t lastStarted = 0;    // generation of the newest read
    std::uint64_t lastDelivered = 0;  // generation of the newest snapshot sent out
    bool stopped = false;
    bool reading = false;             // the read of generation lastStarted runs
    gint64 readingSince = 0;
    bool changedSinceRead = false;
    ChangeTime firstUnreadChange;     // when changedSinceRead became true
    guint staleTimer = 0;
};

// One read: its steps pass it along, and each step gives up as soon as a
// newer read's snapshot has gone out.
struct Read
{
    std::shared_ptr<ReaderState> state;
    std::uint64_t generation;
    ChangeTime changedAt;
    ReadPlan plan;

    bool Overtaken() const { return state->stopped || generation <= state->lastDelivered; }

    void Deliver(ClipSnapshot snapshot)
    {
        snapshot.changedAt = changedAt;
        state->lastDelivered = generation;
        state->deliver(std::move(snapshot));
    }
};

void StartRead(const std::shared_ptr<ReaderState>& state, ChangeTime changedAt);

// Every read ends here, once, whatever became of it.
void End(Read* read)
{
    std::shared_ptr<ReaderState> state = std::move(read->state);
    bool current = state->reading && read->generation == state->lastStarted;
    delete read;
    if (current && !state->stopped)
    {
        state->reading = false;
        if (state->changedSinceRead)
            StartRead(state, state->firstUnreadChange);
    }
}

void ReadTextOrImage(Read* read);

// What a request for a target brought; nullopt when it failed.
std::optional<std::string_view> Contents(GtkSelectionData* selection)
{
    gint length = selection ? gtk_selection_data_get_length(selection) : -1;
    if (length < 0)
        return std::nullopt;
    const guchar* data = gtk_selection_data_get_data(selection);
    return std::string_view(reinterpret_cast<const char*>(data), data ? length : 0);
}

void RequestTarget(Read* read, const std::string& target, GtkClipboardReceivedFunc received)
{
    gtk_clipboard_request_contents(read->state->clipboard, gdk_atom_intern(target.c_str(), FALSE), received, read);
}

std::string AtomName(GdkAtom atom)
{
    gchar* name = gdk_atom_name(atom);
    std::string text = name ? name : "";
    g_free(name);
    return text;
}

// Compound text that switches character sets: the window system's own
// conversion, joining the pieces it answers with as the owner sent them.
std::optional<std::string> ConvertCompoundText(GtkSelectionData* selection)
{
    gchar** pieces = nullptr;
    gint count = gdk_text_property_to_utf8_list_for_display(
        gtk_selection_data_get_display(selection), gtk_selection_data_get_data_type(selection),
        gtk_selection_data_get_format(selection), gtk_selection_data_get_data(selection),
        gtk_selection_data_get_length(selection), &pieces);
    if (count <= 0 || !pieces)
        return std::nullopt;
    std::string text;
    for (gint i = 0; i < count; ++i)
    {
        if (i > 0)
            text += '\0';
        text += pieces[i];
    }
    g_strfreev(pieces);
    return text;
}

// The text target's own bytes, converted only where the answer's type says
// they are not UTF-8: the toolkit's text request rewrites line ends.
void OnText(GtkClipboard*, GtkSelectionData* selection, gpointer data)
{
    Read* read = static_cast<Read*>(data);
    if (!read->Overtaken())
    {
        std::optional<std::string> text;
        if (std::optional<std::string_view> bytes = Contents(selection))
        {
            std::string type = AtomName(gtk_selection_data_get_data_type(selection));
            text = RecordedText(type, *bytes);
            if (!text && type == "COMPOUND_TEXT")
                text = ConvertCompoundText(selection);
        }
        read->Deliver(text ? ClipSnapshot::OfText(std::move(*text)) : ClipSnapshot::Nothing());
    }
    End(read);
}

void OnImage(GtkClipboard*, GtkSelectionData* selection, gpointer data)
{
    Read* read = static_cast<Read*>(data);
    if (!read->Overtaken())
    {
        std::optional<std::string_view> bytes = Contents(selection);
        if (bytes && !bytes->empty())
            read->Deliver(ClipSnapshot::OfImage(Bytes(bytes->begin(), bytes->end())));
        else
            read->Deliver(ClipSnapshot::Nothing());
    }
    End(read);
}

void OnUriList(GtkClipboard*, GtkSelectionData* selection, gpointer data)
{
    Read* read = static_cast<Read*>(data);
    if (read->Overtaken())
    {
        End(read);
        return;
    }
    std::optional<std::string_view> bytes = Contents(selection);
    if (auto paths = bytes ? ParseFileUriList(*bytes, read->state->hostName) : std::nullopt)
    {
        read->Deliver(ClipSnapshot::OfFiles(std::move(*paths)));
        End(read);
        return;
    }
    // Not a list of local files: what else the clipboard offers decides.
    ReadTextOrImage(read);
}

void ReadTextOrImage(Read* read)
{
    if (!read->plan.textTarget.empty())
        RequestTarget(read, read->plan.textTarget, OnText);
    else if (!read->plan.imageTarget.empty())
        RequestTarget(read, read->plan.imageTarget, OnImage);
    else
    {
        read->Deliver(ClipSnapshot::Nothing());
        End(read);
    }
}

void ReadContent(Read* read)
{
    if (!read->plan.fileListTarget.empty())
        RequestTarget(read, read->plan.fileListTarget, OnUriList);
    else
        ReadTextOrImage(read);
}

void OnSecretHint(GtkClipboard*, GtkSelectionData* selection, gpointer data)
{
    Read* read = static_cast<Read*>(data);
    if (read->Overtaken())
    {
        End(read);
        return;
    }
    std::optional<std::string_view> bytes = Contents(selection);
    std::optional<std::string> mark;
    if (bytes)
        mark.emplace(*bytes);
    if (IsSecretMark(mark ? &*mark : nullptr))
    {
        read->Deliver(ClipSnapshot::Nothing());
        End(read);
        return;
    }
    ReadContent(read);
}

void OnTargets(GtkClipboard*, GdkAtom* targets, gint count, gpointer data)
{
    Read* read = static_cast<Read*>(data);
    if (read->Overtaken())
    {
        End(read);
        return;
    }
    if (!targets || count <= 0)
    {
        read->Deliver(ClipSnapshot::Nothing());
        End(read);
        return;
    }

    std::vector<std::string> names;
    for (gint i = 0; i < count; ++i)
        names.push_back(AtomName(targets[i]));
    read->plan = PlanRead(names);

    if (!read->plan.secretHintTarget.empty())
        RequestTarget(read, read->plan.secretHintTarget, OnSecretHint);
    else
        ReadContent(read);
}

void StartRead(const std::shared_ptr<ReaderState>& state, ChangeTime changedAt)
{
    state->reading = true;
    state->readingSince = g_get_monotonic_time();
    state->changedSinceRead = false;
    Read* read = new Read{state, ++state->lastStarted, changedAt, ReadPlan()};
    gtk_clipboard_request_targets(state->clipboard, OnTargets, read);
}

gboolean OnStaleCheck(gpointer data);

void WatchForStaleRead(const std::shared_ptr<ReaderState>& state)
{
    if (state->staleTimer)
        return;
    gint64 age = g_get_monotonic_time() - state->readingSince;
    guint wait = static_cast<guint>(std::max<gint64>(0, kStaleReadMicroseconds - age) / 1000 + 1);
    state->staleTimer = g_timeout_add_full(
        G_PRIORITY_DEFAULT, wait, OnStaleCheck, new std::shared_ptr<ReaderState>(state),
        [](gpointer p) { delete static_cast<std::shared_ptr<ReaderState>*>(p); });
}

gboolean OnStaleCheck(gpointer data)
{
    std::shared_ptr<ReaderState> state = *static_cast<std::shared_ptr<ReaderState>*>(data);
    state->staleTimer = 0;
    if (state->stopped || !state->reading || !state->changedSinceRead)
        return G_SOURCE_REMOVE;
    if (g_get_monotonic_time() - state->readingSince >= kStaleReadMicroseconds)
        StartRead(state, state->firstUnreadChange);  // the slow read runs on, and counts only if it answers first
    else
        WatchForStaleRead(state);
    return G_SOURCE_REMOVE;
}

void OnOwnerChange(GtkClipboard*, GdkEvent*, gpointer data)
{
    const std::shared_ptr<ReaderState>& state = *static_cast<std::shared_ptr<ReaderState>*>(data);
    if (state->stopped)
        return;
    ChangeTime now = std::chrono::steady_clock::now();
    if (!state->reading)
    {
        StartRead(state, now);
        return;
    }
    if (!state->changedSinceRead)
        state->firstUnreadChange = now;
    state->changedSinceRead = true;
    WatchForStaleRead(state);
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
        StartRead(m_state, std::chrono::steady_clock::now());
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
        if (m_state->staleTimer)
        {
            g_source_remove(m_state->staleTimer);
            m_state->staleTimer = 0;
        }
    }

private:
    std::shared_ptr<ReaderState> m_state;
    gulong m_handler = 0;
};

}  // namespace

std::unique_ptr<ClipboardReader> ClipboardReader::Create(Deliver deliver)
{
    return std::make_unique<GtkClipboardReader>(std::move(deliver));
}
