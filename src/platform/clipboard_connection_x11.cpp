// The X clipboard on a connection of its own. The toolkit's clipboard
// gathered a transfer without any bound (an owner sending INCR chunks for
// ever ended the program) and served copy-back on the window's thread;
// here every transfer is bounded as it arrives, every wait has a deadline,
// and the window's thread never waits on another program.

#include "platform/clipboard_connection_x11.h"

#include "clipboard/clip_offer.h"
#include "clipboard/give_back.h"
#include "clipboard/held_copy.h"
#include "clipboard/read_plan.h"
#include "clipboard/read_steps.h"
#include "platform/reader_loop_linux.h"

#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <limits.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <future>
#include <list>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using Clock = ReaderLoop::Clock;

// A change while a read runs waits for it, so that a burst costs a few
// reads rather than one each; a read older than this no longer holds up
// the next one, which starts beside it.
constexpr auto kStaleRead = std::chrono::milliseconds(100);
// An owner that stops answering, or a requestor that stops taking chunks.
constexpr auto kAnswerTimeout = std::chrono::seconds(3);
constexpr auto kSendTimeout = std::chrono::seconds(10);
// Reads at once; the oldest gives way to a newer one.
constexpr int kReadSlots = 4;
constexpr size_t kMaxSends = 64;
constexpr size_t kMaxTargets = 4096;
constexpr size_t kSendChunk = 256 * 1024;
// How long a copy button waits to hear that the clipboard is ours.
constexpr auto kTakeLimit = std::chrono::milliseconds(500);
// The longest the loop handles events before it looks at its tasks and at
// a stop: the chunks of a large transfer keep coming for as long as it
// lasts (seconds for hundreds of megabytes).
constexpr auto kDispatchSlice = std::chrono::milliseconds(20);
// A program handing its copy over before it exits waits for the reads of
// that copy under way, for no longer than this.
constexpr auto kSaveWait = std::chrono::seconds(1);

template <typename T>
struct FreeReply
{
    void operator()(T* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply<T>>;

// Tells a requestor its request was answered in `property`, or refused
// with None.
void Notify(xcb_connection_t* connection, const xcb_selection_request_event_t& event, xcb_atom_t property)
{
    xcb_selection_notify_event_t notify = {};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = event.time;
    notify.requestor = event.requestor;
    notify.selection = event.selection;
    notify.target = event.target;
    notify.property = property;
    char wire[32] = {};
    static_assert(sizeof notify <= sizeof wire);
    std::memcpy(wire, &notify, sizeof notify);
    xcb_send_event(connection, 0, event.requestor, XCB_EVENT_MASK_NO_EVENT, wire);
}

class XConnection final : public ClipboardConnection, private ReaderLoop::Source
{
public:
    XConnection(Display* display, Deliver deliver)
        : m_display(display), m_connection(XGetXCBConnection(display)), m_deliver(std::move(deliver)),
          m_hostName(LocalHostName())
    {
    }

    ~XConnection() override { Stop(); }

    bool Open();

    void Stop() override
    {
        m_loop.Stop([this] { Close(); });
    }

    void KeepOnOffer(std::shared_ptr<HeldCopy> held) override
    {
        m_loop.Post([this, held = std::move(held)] {
            m_held = held;
            // Not a wake of the loop for every copy: one is wanted only
            // while a copy's owner has gone and its copy is awaited.
            m_held->OnHeld([this] {
                if (!m_giveBack.WaitsForHeld())
                    return;
                m_loop.Post([this] {
                    TryRestore();
                    xcb_flush(m_connection);
                });
            });
        });
    }

    bool Offer(std::function<ClipOffer()> build) override
    {
        auto taken = std::make_shared<std::promise<bool>>();
        std::future<bool> answer = taken->get_future();
        if (!m_loop.Post([this, build = std::move(build), taken] { TakeClipboard(build, taken); }))
            return false;
        // The server's answer only, never another program's.
        return answer.wait_for(kTakeLimit) == std::future_status::ready && answer.get();
    }

private:
    struct Read
    {
        std::uint64_t generation = 0;
        std::uint64_t changes = 0;  // other programs' changes heard when it started
        ChangeTime changedAt;
        Clock::time_point started;
        Clock::time_point deadline;
        Clock::time_point formsDeadline;  // once gathering the other forms
        int slot = 0;
        std::optional<ReadSteps> steps;  // once the formats are known
        xcb_atom_t targetAtom = XCB_NONE;
        bool incremental = false;
        xcb_atom_t type = XCB_NONE;
        std::string data;
        size_t limit = 0;
    };
    using ReadList = std::list<Read>;

    // One answer sent in chunks (INCR) to a requestor.
    struct Send
    {
        xcb_window_t requestor;
        xcb_atom_t property;
        xcb_atom_t type;
        std::shared_ptr<const ClipOffer> offer;
        std::string_view bytes;
        size_t offset = 0;
        Clock::time_point deadline;
    };

    // ReaderLoop::Source
    void Watch(std::vector<pollfd>& fds) override { fds.push_back({xcb_get_file_descriptor(m_connection), POLLIN, 0}); }
    bool Dispatch(const std::vector<pollfd>&) override;
    std::optional<Clock::time_point> NextDeadline() const override;

    void Close();
    xcb_atom_t Atom(const std::string& name);
    std::vector<std::string> AtomNames(const xcb_atom_t* atoms, size_t count);
    void HandleEvent(const xcb_generic_event_t* event);
    void CheckDeadlines();

    // Reading
    void OnOwnerChange(xcb_window_t owner, std::uint8_t subtype);
    void StartRead(ChangeTime changedAt);
    void StartPendingRead();
    void Request(Read& read, const std::string& target, size_t limit);
    void OnSelectionNotify(const xcb_selection_notify_event_t& event);
    void TakeProperty(ReadList::iterator read);
    void TakeChunk(ReadList::iterator read);
    void StepDone(ReadList::iterator read, bool answered);
    void Finish(ReadList::iterator read, ClipSnapshot snapshot);
    // Ends a read: its property is left to a late owner; with `erase` false
    // the read itself stays, for the caller to finish.
    void Abandon(ReadList::iterator read, bool erase = true);
    // A transfer gone wrong (over its limit, or lost): the whole read, or
    // only the form it was of.
    void LeaveOut(ReadList::iterator read);
    void ExtendDeadline(Read& read);
    std::optional<std::string> ConvertCompoundText(const std::string& bytes);

    // Owning
    void TakeClipboard(std::function<ClipOffer()> build, std::shared_ptr<std::promise<bool>> taken,
                       bool restore = false);
    void AskForTimestamp();
    void TryRestore();
    void OnManagerRequest(const xcb_selection_request_event_t& event);
    void AnswerSaves(bool now);
    void OnTimestamp(xcb_timestamp_t time);
    void OnSelectionRequest(const xcb_selection_request_event_t& event);
    bool Serve(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property);
    bool ServeMultiple(xcb_window_t requestor, xcb_atom_t property);
    void OnRequestorProperty(const xcb_property_notify_event_t& event);
    void EndSend(std::list<Send>::iterator send);

    Display* m_display;
    xcb_connection_t* m_connection;
    Deliver m_deliver;
    std::string m_hostName;
    ReaderLoop m_loop;
    xcb_window_t m_window = XCB_NONE;
    std::uint8_t m_fixesEvent = 0;
    std::unordered_map<std::string, xcb_atom_t> m_atoms;
    std::unordered_map<xcb_atom_t, std::string> m_names;
    xcb_atom_t m_clipboard = XCB_NONE, m_targets = XCB_NONE, m_multiple = XCB_NONE, m_timestamp = XCB_NONE,
               m_incr = XCB_NONE, m_atomPair = XCB_NONE, m_timeProperty = XCB_NONE;
    xcb_atom_t m_slots[kReadSlots] = {};
    unsigned m_freshSlotNames = 0;

    ReadList m_reads;  // oldest first
    std::uint64_t m_generation = 0;
    std::uint64_t m_lastDelivered = 0;
    bool m_changed = false;  // a change that no read has started for
    bool m_eventsLeft = false;  // the last slice ended with events perhaps still queued
    ChangeTime m_firstUnread;

    // What waits for a timestamp to take the clipboard with.
    std::function<ClipOffer()> m_pendingBuild;
    std::shared_ptr<std::promise<bool>> m_pendingTaken;
    std::shared_ptr<const ClipOffer> m_offer;    // on the clipboard now
    std::vector<std::pair<xcb_atom_t, xcb_atom_t>> m_formAtoms;  // target and type of each form
    xcb_timestamp_t m_ownedSince = 0;
    std::list<Send> m_sends;
    size_t m_sendChunk = kSendChunk;

    // Keeping the clipboard after its owner has gone
    std::shared_ptr<HeldCopy> m_held;
    xcb_atom_t m_manager = XCB_NONE, m_saveTargets = XCB_NONE;
    xcb_window_t m_managerOwner = XCB_NONE;  // of CLIPBOARD_MANAGER
    bool m_wantManager = false;               // taken with the next timestamp
    GiveBack m_giveBack;
    bool m_pendingRestore = false, m_offerIsRestore = false;
    std::vector<xcb_selection_request_event_t> m_saves;  // SAVE_TARGETS asked, waiting for reads
    Clock::time_point m_savesBy;
};

bool XConnection::Open()
{
    xcb_connection_t* c = m_connection;
    XSetEventQueueOwner(m_display, XCBOwnsEventQueue);
    // The conversion of compound text below goes through Xlib, which looks
    // these up; asked now, its cache answers them later without a word on
    // the wire.
    for (const char* name : {"COMPOUND_TEXT", "STRING", "UTF8_STRING", "TEXT"})
        XInternAtom(m_display, name, False);

    xcb_prefetch_extension_data(c, &xcb_xfixes_id);
    const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (!fixes || !fixes->present)
        return false;
    m_fixesEvent = fixes->first_event;
    Reply<xcb_xfixes_query_version_reply_t> version(
        xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 2, 0), nullptr));
    if (!version)
        return false;

    xcb_screen_t* screen = nullptr;
    int number = DefaultScreen(m_display);
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it))
        if (number-- == 0)
            screen = it.data;
    if (!screen)
        return false;
    m_window = xcb_generate_id(c);
    const std::uint32_t mask[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, mask);

    m_clipboard = Atom("CLIPBOARD");
    m_targets = Atom("TARGETS");
    m_multiple = Atom("MULTIPLE");
    m_timestamp = Atom("TIMESTAMP");
    m_incr = Atom("INCR");
    m_atomPair = Atom("ATOM_PAIR");
    m_timeProperty = Atom("_QUILLORY_TIME");
    m_manager = Atom("CLIPBOARD_MANAGER");
    m_saveTargets = Atom("SAVE_TARGETS");
    for (int i = 0; i < kReadSlots; ++i)
        m_slots[i] = Atom("_QUILLORY_READ" + std::to_string(i));
    // The longest request the server takes, with room for the request's
    // own header.
    size_t longest = size_t(xcb_get_maximum_request_length(c)) * 4;
    if (longest > 1024)
        m_sendChunk = std::min(kSendChunk, longest - 1024);

    xcb_xfixes_select_selection_input(c, m_window, m_clipboard,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    // A manager already running keeps the clipboard; where there is none,
    // programs that exit hand their copy over to this one.
    xcb_xfixes_select_selection_input(c, m_window, m_manager,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    Reply<xcb_get_selection_owner_reply_t> manager(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_manager), nullptr));
    m_managerOwner = manager ? manager->owner : xcb_window_t(XCB_NONE);
    if (manager && m_managerOwner == XCB_NONE)
    {
        m_wantManager = true;
        AskForTimestamp();
    }
    xcb_flush(c);
    if (xcb_connection_has_error(c))
        return false;
    // What the clipboard holds now is read first.
    StartRead(std::chrono::steady_clock::now());
    return m_loop.Start(this);
}

void XConnection::Close()
{
    if (m_held)
        m_held->OnHeld(nullptr);
    if (xcb_connection_has_error(m_connection))
        return;  // Xlib would end the process over a lost display
    if (m_offer)
        xcb_set_selection_owner(m_connection, XCB_NONE, m_clipboard, m_ownedSince);
    xcb_destroy_window(m_connection, m_window);
    XCloseDisplay(m_display);
}

xcb_atom_t XConnection::Atom(const std::string& name)
{
    auto found = m_atoms.find(name);
    if (found != m_atoms.end())
        return found->second;
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(name.size()), name.data()),
        nullptr));
    xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    if (atom != XCB_NONE)
    {
        m_atoms.emplace(name, atom);
        m_names.emplace(atom, name);
    }
    return atom;
}

std::vector<std::string> XConnection::AtomNames(const xcb_atom_t* atoms, size_t count)
{
    // All asked at once: a round trip for the lot, not one per name.
    std::vector<std::pair<xcb_atom_t, xcb_get_atom_name_cookie_t>> asked;
    for (size_t i = 0; i < count; ++i)
        if (atoms[i] != XCB_NONE && !m_names.count(atoms[i]))
            asked.emplace_back(atoms[i], xcb_get_atom_name(m_connection, atoms[i]));
    for (auto& [atom, cookie] : asked)
    {
        Reply<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(m_connection, cookie, nullptr));
        if (reply)
        {
            std::string name(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get()));
            m_names.emplace(atom, name);
            m_atoms.emplace(name, atom);
        }
    }
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i)
        if (auto found = m_names.find(atoms[i]); found != m_names.end())
            names.push_back(found->second);
    return names;
}

bool XConnection::Dispatch(const std::vector<pollfd>&)
{
    // Replies waited for below can bring events in; the loop takes them too,
    // for a slice of time. What the connection has queued already does not
    // wake poll(), so a slice cut short asks for an immediate return.
    const Clock::time_point sliceEnd = Clock::now() + kDispatchSlice;
    m_eventsLeft = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
    {
        HandleEvent(event);
        std::free(event);
        if (Clock::now() >= sliceEnd)
        {
            m_eventsLeft = true;
            break;
        }
    }
    if (xcb_connection_has_error(m_connection))
        return false;
    CheckDeadlines();
    xcb_flush(m_connection);
    return !xcb_connection_has_error(m_connection);
}

std::optional<Clock::time_point> XConnection::NextDeadline() const
{
    if (m_eventsLeft)
        return Clock::now();
    std::optional<Clock::time_point> next;
    auto consider = [&next](Clock::time_point t) {
        if (!next || t < *next)
            next = t;
    };
    for (const Read& read : m_reads)
        consider(read.deadline);
    if (m_changed && !m_reads.empty())
        consider(m_reads.back().started + kStaleRead);
    for (const Send& send : m_sends)
        consider(send.deadline);
    if (std::optional<Clock::time_point> restore = m_giveBack.Deadline())
        consider(*restore);
    if (!m_saves.empty())
        consider(m_savesBy);
    return next;
}

void XConnection::HandleEvent(const xcb_generic_event_t* event)
{
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == 0)
        return;  // an error: a requestor that went away, a property already gone
    if (type == m_fixesEvent + XCB_XFIXES_SELECTION_NOTIFY)
    {
        auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        if (notify->selection == m_clipboard)
            OnOwnerChange(notify->owner, notify->subtype);
        else if (notify->selection == m_manager)
        {
            m_managerOwner = notify->owner;
            if (m_managerOwner == XCB_NONE && !m_wantManager)
            {
                m_wantManager = true;
                AskForTimestamp();
            }
        }
        return;
    }
    switch (type)
    {
    case XCB_SELECTION_NOTIFY:
        OnSelectionNotify(*reinterpret_cast<const xcb_selection_notify_event_t*>(event));
        break;
    case XCB_SELECTION_REQUEST:
    {
        auto* request = reinterpret_cast<const xcb_selection_request_event_t*>(event);
        if (request->selection == m_manager)
            OnManagerRequest(*request);
        else
            OnSelectionRequest(*request);
        break;
    }
    case XCB_SELECTION_CLEAR:
    {
        auto* clear = reinterpret_cast<const xcb_selection_clear_event_t*>(event);
        if (clear->selection == m_clipboard)
        {
            // Answers under way finish from the bytes they hold.
            m_offer.reset();
            m_formAtoms.clear();
            m_offerIsRestore = false;
        }
        break;
    }
    case XCB_PROPERTY_NOTIFY:
    {
        auto* property = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (property->window != m_window)
            OnRequestorProperty(*property);
        else if (property->atom == m_timeProperty)
            OnTimestamp(property->time);
        else if (property->state == XCB_PROPERTY_NEW_VALUE)
            for (auto read = m_reads.begin(); read != m_reads.end(); ++read)
                if (read->incremental && m_slots[read->slot] == property->atom)
                {
                    TakeChunk(read);
                    break;
                }
        break;
    }
    default:
        break;
    }
}

void XConnection::CheckDeadlines()
{
    const Clock::time_point now = Clock::now();
    for (auto read = m_reads.begin(); read != m_reads.end();)
    {
        auto next = std::next(read);
        if (read->deadline <= now)
        {
            if (read->steps && read->steps->Gathering())
            {
                // What the copy is recorded by came; of its other forms,
                // those that did.
                Abandon(read, false);
                read->steps->EndWithWhatCame();
                Finish(read, read->steps->TakeSnapshot());
            }
            else
                Abandon(read);
        }
        read = next;
    }
    StartPendingRead();
    TryRestore();
    AnswerSaves((m_reads.empty() && !m_changed) || m_savesBy <= now);
    for (auto send = m_sends.begin(); send != m_sends.end();)
    {
        auto next = std::next(send);
        if (send->deadline <= now)
            EndSend(send);
        send = next;
    }
}

// Reading

void XConnection::OnOwnerChange(xcb_window_t owner, std::uint8_t subtype)
{
    const ChangeTime now = std::chrono::steady_clock::now();
    if (owner == XCB_NONE)
    {
        // Nothing to read. Given back only when its owner went away, not
        // when a program emptied it on purpose (as password managers do).
        if (subtype == XCB_XFIXES_SELECTION_EVENT_SELECTION_WINDOW_DESTROY ||
            subtype == XCB_XFIXES_SELECTION_EVENT_SELECTION_CLIENT_CLOSE)
        {
            m_giveBack.OwnerGone(now);
            TryRestore();
        }
        else
            m_giveBack.Emptied();
        return;
    }
    if (owner == m_window)
    {
        // Our own copy: what a read would find is known. What was given
        // back after its owner went is already recorded.
        if (!m_offer || m_offerIsRestore)
            return;
        while (!m_reads.empty())
            Abandon(m_reads.begin());
        m_changed = false;
        ClipSnapshot snapshot = m_offer->self();
        snapshot.changedAt = now;
        m_lastDelivered = ++m_generation;
        m_deliver(std::move(snapshot));
        return;
    }
    m_giveBack.Changed();
    if (!m_changed)
        m_firstUnread = now;
    m_changed = true;
    StartPendingRead();
}

void XConnection::StartPendingRead()
{
    if (!m_changed)
        return;
    if (!m_reads.empty() && Clock::now() - m_reads.back().started < kStaleRead)
        return;
    m_changed = false;
    StartRead(m_firstUnread);
}

void XConnection::StartRead(ChangeTime changedAt)
{
    bool used[kReadSlots] = {};
    for (const Read& read : m_reads)
        used[read.slot] = true;
    int slot = int(std::find(used, used + kReadSlots, false) - used);
    if (slot == kReadSlots)
    {
        slot = m_reads.front().slot;
        Abandon(m_reads.begin());
    }
    Read& read = m_reads.emplace_back();
    read.generation = ++m_generation;
    read.changes = m_giveBack.Changes();
    read.changedAt = changedAt;
    read.started = Clock::now();
    read.slot = slot;
    Request(read, "TARGETS", kTargetListTransferLimit);
}

void XConnection::Request(Read& read, const std::string& target, size_t limit)
{
    read.targetAtom = Atom(target);
    read.incremental = false;
    read.type = XCB_NONE;
    read.data.clear();
    read.limit = limit;
    read.deadline = Clock::now() + kAnswerTimeout;
    // The other forms of a copy all come within one answer's time of the
    // form it is recorded by, however many the owner offers.
    if (read.steps && read.steps->Gathering())
    {
        if (read.formsDeadline == Clock::time_point())
            read.formsDeadline = read.deadline;
        read.deadline = std::min(read.deadline, read.formsDeadline);
    }
    xcb_convert_selection(m_connection, m_window, m_clipboard, read.targetAtom, m_slots[read.slot],
                          XCB_CURRENT_TIME);
}

void XConnection::OnSelectionNotify(const xcb_selection_notify_event_t& event)
{
    if (event.requestor != m_window || event.selection != m_clipboard)
        return;
    // A refusal names no property: it answers the oldest read that asked
    // for that target.
    auto read = std::find_if(m_reads.begin(), m_reads.end(), [&](const Read& r) {
        return !r.incremental && r.targetAtom == event.target &&
               (event.property == XCB_NONE || m_slots[r.slot] == event.property);
    });
    if (read == m_reads.end())
    {
        if (event.property != XCB_NONE)
            xcb_delete_property(m_connection, m_window, event.property);
        return;
    }
    if (event.property == XCB_NONE)
        StepDone(read, false);
    else
        TakeProperty(read);
}

void XConnection::TakeProperty(ReadList::iterator read)
{
    const xcb_atom_t property = m_slots[read->slot];
    // Asking for one unit more than the limit tells an answer over it by
    // what is left; the server deletes the property only once it is read
    // whole.
    const std::uint32_t units = static_cast<std::uint32_t>(read->limit / 4 + 1);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 1, m_window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, units),
        nullptr));
    if (!reply)
    {
        StepDone(read, false);
        return;
    }
    const char* value = static_cast<const char*>(xcb_get_property_value(reply.get()));
    const size_t length = size_t(xcb_get_property_value_length(reply.get()));
    if (reply->type == m_incr)
    {
        // The owner sends in chunks once the property is gone, which the
        // read above did; the size it names comes first.
        std::uint32_t size = 0;
        if (length >= 4)
            std::memcpy(&size, value, 4);
        read->incremental = true;
        ExtendDeadline(*read);
        if (size > read->limit)
            LeaveOut(read);
        else
            read->data.reserve(size);
        return;
    }
    if (reply->bytes_after > 0 || length > read->limit)
    {
        xcb_delete_property(m_connection, m_window, property);
        StepDone(read, false);
        return;
    }
    read->type = reply->type;
    read->data.assign(value, length);
    StepDone(read, true);
}

void XConnection::TakeChunk(ReadList::iterator read)
{
    const xcb_atom_t property = m_slots[read->slot];
    const size_t room = read->limit - read->data.size();
    const std::uint32_t units = static_cast<std::uint32_t>(room / 4 + 1);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 1, m_window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, units),
        nullptr));
    if (!reply)
    {
        LeaveOut(read);
        return;
    }
    const size_t length = size_t(xcb_get_property_value_length(reply.get()));
    if (reply->bytes_after > 0 || length > room)
    {
        // Over the limit: left undeleted, so that the owner sends no more.
        LeaveOut(read);
        return;
    }
    if (length == 0)
    {
        read->type = reply->type;
        StepDone(read, true);
        return;
    }
    std::string& data = read->data;
    if (data.capacity() - data.size() < length)
        data.reserve(std::min(read->limit, std::max(data.size() + length, data.capacity() * 2)));
    data.append(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
    ExtendDeadline(*read);
}

void XConnection::ExtendDeadline(Read& read)
{
    read.deadline = Clock::now() + kAnswerTimeout;
    if (read.formsDeadline != Clock::time_point())
        read.deadline = std::min(read.deadline, read.formsDeadline);
}

void XConnection::LeaveOut(ReadList::iterator read)
{
    if (!read->steps || !read->steps->Gathering())
    {
        Abandon(read);  // a copy without what it is recorded by is no copy
        return;
    }
    // One of its other forms: the copy is kept without it.
    Abandon(read, false);
    StepDone(read, false);
}

void XConnection::StepDone(ReadList::iterator read, bool answered)
{
    if (!read->steps)
    {
        // The formats offered.
        if (!answered || read->data.size() % 4 != 0 || read->data.empty())
        {
            Finish(read, ClipSnapshot::Nothing());
            return;
        }
        size_t count = std::min(read->data.size() / 4, kMaxTargets);
        std::vector<xcb_atom_t> atoms(count);
        std::memcpy(atoms.data(), read->data.data(), count * 4);
        read->steps.emplace(AtomNames(atoms.data(), atoms.size()), m_hostName,
                            [this](const std::string& bytes) { return ConvertCompoundText(bytes); });
    }
    else
    {
        const std::vector<std::string> type = AtomNames(&read->type, 1);
        read->steps->Answer(answered ? std::optional<std::string>(std::move(read->data)) : std::nullopt,
                            type.empty() ? std::string_view() : std::string_view(type[0]));
    }
    if (read->steps->Done())
        Finish(read, read->steps->TakeSnapshot());
    else
        Request(*read, read->steps->Next(), read->steps->Limit());
}

void XConnection::Finish(ReadList::iterator read, ClipSnapshot snapshot)
{
    const std::uint64_t generation = read->generation;
    const std::uint64_t changes = read->changes;
    const ChangeTime changedAt = read->changedAt;
    const Clock::time_point started = read->started;
    // A read that found nothing leaves older reads to finish; one that
    // found something overtakes them.
    if (snapshot.kind == ClipSnapshot::Kind::Nothing)
        m_reads.erase(read);
    else
    {
        while (m_reads.begin() != read)
            Abandon(m_reads.begin());
        m_reads.erase(read);
        if (generation > m_lastDelivered)
        {
            m_lastDelivered = generation;
            m_giveBack.Delivered(generation, changes, started);
            snapshot.changedAt = changedAt;
            snapshot.serial = generation;
            m_deliver(std::move(snapshot));
        }
    }
    StartPendingRead();
    if (m_reads.empty() && !m_changed)
        AnswerSaves(true);
}

void XConnection::Abandon(ReadList::iterator read, bool erase)
{
    if (read->incremental)
    {
        // Its owner may still write chunks there: the next read uses a
        // property of a new name.
        m_slots[read->slot] = Atom("_QUILLORY_READ_" + std::to_string(getpid()) + "_" +
                                   std::to_string(++m_freshSlotNames));
        read->incremental = false;
    }
    if (erase)
        m_reads.erase(read);
}

std::optional<std::string> XConnection::ConvertCompoundText(const std::string& bytes)
{
    // Compound text that switches character sets: Xlib's own conversion,
    // joining the pieces as the owner sent them.
    XTextProperty property;
    property.value = reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.data()));
    property.encoding = XInternAtom(m_display, "COMPOUND_TEXT", False);
    property.format = 8;
    property.nitems = bytes.size();
    char** pieces = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(m_display, &property, &pieces, &count) < Success || !pieces || count <= 0)
        return std::nullopt;
    std::string text;
    for (int i = 0; i < count; ++i)
    {
        if (i > 0)
            text += '\0';
        text += pieces[i];
    }
    XFreeStringList(pieces);
    return text;
}

// Owning

void XConnection::TakeClipboard(std::function<ClipOffer()> build, std::shared_ptr<std::promise<bool>> taken,
                                 bool restore)
{
    if (m_pendingTaken)
        m_pendingTaken->set_value(false);  // overtaken before the server answered
    m_pendingBuild = std::move(build);
    m_pendingTaken = std::move(taken);
    m_pendingRestore = restore;
    AskForTimestamp();
    xcb_flush(m_connection);
}

void XConnection::AskForTimestamp()
{
    // Owners must take a selection with a time of the server's, which a
    // property change brings back.
    xcb_change_property(m_connection, XCB_PROP_MODE_APPEND, m_window, m_timeProperty, XCB_ATOM_STRING, 8, 0,
                        nullptr);
}

void XConnection::OnTimestamp(xcb_timestamp_t time)
{
    if (m_wantManager)
    {
        m_wantManager = false;
        if (m_managerOwner == XCB_NONE)
            xcb_set_selection_owner(m_connection, m_window, m_manager, time);
    }
    if (!m_pendingBuild)
        return;
    std::function<ClipOffer()> build = std::move(m_pendingBuild);
    std::shared_ptr<std::promise<bool>> taken = std::move(m_pendingTaken);
    const bool restore = m_pendingRestore;
    m_pendingBuild = nullptr;
    m_pendingRestore = false;
    Reply<xcb_get_selection_owner_reply_t> before(
        xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr));
    // Given back only to an empty clipboard: another program may have
    // copied since its owner went.
    if (restore && (!before || before->owner != XCB_NONE))
        return;
    xcb_set_selection_owner(m_connection, m_window, m_clipboard, time);
    Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr));
    const bool ours = owner && owner->owner == m_window;
    if (taken)
        taken->set_value(ours);
    if (!ours)
        return;
    m_offerIsRestore = restore;
    // Made once the clipboard is ours, so that the button's wait does not
    // include it; requests that come meanwhile wait in the queue.
    auto offer = std::make_shared<const ClipOffer>(build());
    m_formAtoms.clear();
    for (const ClipOffer::Form& form : offer->forms)
        m_formAtoms.emplace_back(Atom(form.target), Atom(form.type.empty() ? form.target : form.type));
    m_offer = std::move(offer);
    m_ownedSince = time;
}

void XConnection::TryRestore()
{
    const bool keptElsewhere = m_managerOwner != XCB_NONE && m_managerOwner != m_window;
    if (HeldCopy::Build build =
            m_giveBack.Due(m_held.get(), !m_reads.empty() || m_changed, keptElsewhere, Clock::now()))
        TakeClipboard(std::move(build), nullptr, true);
}

void XConnection::OnManagerRequest(const xcb_selection_request_event_t& event)
{
    if (event.target == m_saveTargets)
    {
        // The copy is read, or being read, as any copy is: the program may
        // exit once those reads are done.
        if (m_saves.empty())
            m_savesBy = Clock::now() + kSaveWait;
        m_saves.push_back(event);
        AnswerSaves(m_reads.empty() && !m_changed);
        return;
    }
    const xcb_atom_t property = event.property != XCB_NONE ? event.property : event.target;
    bool served = false;
    if (event.target == m_targets)
    {
        const xcb_atom_t atoms[] = {m_targets, m_saveTargets};
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, event.requestor, property, XCB_ATOM_ATOM, 32, 2,
                            atoms);
        served = true;
    }
    Notify(m_connection, event, served ? property : XCB_NONE);
}

void XConnection::AnswerSaves(bool now)
{
    if (!now || m_saves.empty())
        return;
    for (const xcb_selection_request_event_t& event : m_saves)
        Notify(m_connection, event, event.property != XCB_NONE ? event.property : event.target);
    m_saves.clear();
}

void XConnection::OnSelectionRequest(const xcb_selection_request_event_t& event)
{
    // Clients of old name no property; the target's name serves then.
    const xcb_atom_t property = event.property != XCB_NONE ? event.property : event.target;
    bool served = false;
    if (event.selection == m_clipboard && m_offer &&
        (event.time == XCB_CURRENT_TIME || event.time >= m_ownedSince))
    {
        if (event.target == m_multiple)
            served = event.property != XCB_NONE && ServeMultiple(event.requestor, property);
        else
            served = Serve(event.requestor, event.target, property);
    }
    Notify(m_connection, event, served ? property : XCB_NONE);
}

bool XConnection::Serve(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property)
{
    if (target == m_targets)
    {
        std::vector<xcb_atom_t> atoms = {m_targets, m_multiple, m_timestamp};
        for (const auto& atoms_ : m_formAtoms)
            atoms.push_back(atoms_.first);
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_ATOM, 32,
                            static_cast<std::uint32_t>(atoms.size()), atoms.data());
        return true;
    }
    if (target == m_timestamp)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_INTEGER, 32, 1,
                            &m_ownedSince);
        return true;
    }
    for (size_t i = 0; i < m_formAtoms.size(); ++i)
    {
        if (m_formAtoms[i].first != target)
            continue;
        const std::string_view bytes = m_offer->forms[i].bytes;
        const xcb_atom_t type = m_formAtoms[i].second;
        if (bytes.size() <= m_sendChunk)
        {
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property, type, 8,
                                static_cast<std::uint32_t>(bytes.size()), bytes.data());
            return true;
        }
        if (m_sends.size() >= kMaxSends || bytes.size() > UINT32_MAX)
            return false;
        // In chunks, each once the requestor has deleted the one before.
        const std::uint32_t mask[] = {XCB_EVENT_MASK_PROPERTY_CHANGE};
        xcb_change_window_attributes(m_connection, requestor, XCB_CW_EVENT_MASK, mask);
        const std::uint32_t size = static_cast<std::uint32_t>(bytes.size());
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property, m_incr, 32, 1, &size);
        m_sends.push_back({requestor, property, type, m_offer, bytes, 0, Clock::now() + kSendTimeout});
        return true;
    }
    return false;
}

bool XConnection::ServeMultiple(xcb_window_t requestor, xcb_atom_t property)
{
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, requestor, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
        nullptr));
    if (!reply || reply->format != 32)
        return false;
    const size_t count = size_t(xcb_get_property_value_length(reply.get())) / 4 / 2 * 2;
    std::vector<xcb_atom_t> pairs(count);
    std::memcpy(pairs.data(), xcb_get_property_value(reply.get()), count * 4);
    for (size_t i = 0; i + 1 < count; i += 2)
        if (pairs[i] == m_multiple || pairs[i + 1] == XCB_NONE || !Serve(requestor, pairs[i], pairs[i + 1]))
            pairs[i + 1] = XCB_NONE;  // how a requestor learns which ones failed
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, requestor, property, m_atomPair, 32,
                        static_cast<std::uint32_t>(count), pairs.data());
    return true;
}

void XConnection::OnRequestorProperty(const xcb_property_notify_event_t& event)
{
    if (event.state != XCB_PROPERTY_DELETE)
        return;
    auto send = std::find_if(m_sends.begin(), m_sends.end(), [&](const Send& s) {
        return s.requestor == event.window && s.property == event.atom;
    });
    if (send == m_sends.end())
        return;
    const size_t length = std::min(m_sendChunk, send->bytes.size() - send->offset);
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, send->requestor, send->property, send->type, 8,
                        static_cast<std::uint32_t>(length), send->bytes.data() + send->offset);
    send->offset += length;
    send->deadline = Clock::now() + kSendTimeout;
    if (length == 0)
        EndSend(send);  // the empty chunk ends it
}

void XConnection::EndSend(std::list<Send>::iterator send)
{
    const xcb_window_t requestor = send->requestor;
    m_sends.erase(send);
    if (std::none_of(m_sends.begin(), m_sends.end(), [&](const Send& s) { return s.requestor == requestor; }))
    {
        const std::uint32_t mask[] = {XCB_EVENT_MASK_NO_EVENT};
        xcb_change_window_attributes(m_connection, requestor, XCB_CW_EVENT_MASK, mask);
    }
}

}  // namespace

std::unique_ptr<ClipboardConnection> OpenXConnection(ClipboardConnection::Deliver deliver)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    // Xlib would end the process when this connection breaks; the loss of
    // the display is the toolkit's connection's to handle, and this one's
    // thread merely stops.
    XSetIOErrorExitHandler(display, [](Display*, void*) {}, nullptr);
    auto reader = std::make_unique<XConnection>(display, std::move(deliver));
    if (!reader->Open())
    {
        XCloseDisplay(display);
        return nullptr;
    }
    return reader;
}
