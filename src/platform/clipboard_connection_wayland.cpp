// The clipboard of a Wayland session. GTK hears of clipboard changes there
// only while its window has the focus, and the X clipboard of XWayland is
// bridged differently by each compositor (on some, not at all while a
// Wayland window is focused); data-control is how a clipboard tool hears
// every copy.

#include "platform/clipboard_connection_wayland.h"

#include "clipboard/clip_offer.h"
#include "clipboard/give_back.h"
#include "clipboard/held_copy.h"
#include "clipboard/read_steps.h"
#include "platform/reader_loop_linux.h"

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <list>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = ReaderLoop::Clock;

constexpr auto kAnswerTimeout = std::chrono::seconds(3);
constexpr auto kSendTimeout = std::chrono::seconds(10);
constexpr size_t kMaxReads = 4;
constexpr size_t kMaxSends = 64;
// A copy's other forms asked for before they are due, each a pipe: on
// Wayland every request goes through the compositor to the owner and back,
// a millisecond or more that the forms, asked for one at a time, added up.
// They are still read one at a time, in the order asked, as the owner
// answers them: what is held is at most a pipe's buffer each, in the kernel.
constexpr size_t kFormsAhead = 8;
constexpr size_t kMaxFormats = 4096;
constexpr size_t kMaxFormatName = 4096;
constexpr size_t kReadBlock = 1 << 20;

// The two protocols have the same requests and events under different
// names; the reader is written once for either.
struct ExtProtocol
{
    using Manager = ext_data_control_manager_v1;
    using Device = ext_data_control_device_v1;
    using Source = ext_data_control_source_v1;
    using Offer = ext_data_control_offer_v1;
    using DeviceListener = ext_data_control_device_v1_listener;
    using SourceListener = ext_data_control_source_v1_listener;
    using OfferListener = ext_data_control_offer_v1_listener;
    static constexpr const wl_interface* kManager = &ext_data_control_manager_v1_interface;
    static constexpr std::uint32_t kVersion = 1;
    static Device* GetDevice(Manager* m, wl_seat* s) { return ext_data_control_manager_v1_get_data_device(m, s); }
    static Source* CreateSource(Manager* m) { return ext_data_control_manager_v1_create_data_source(m); }
    static void SetSelection(Device* d, Source* s) { ext_data_control_device_v1_set_selection(d, s); }
    static void OfferFormat(Source* s, const char* f) { ext_data_control_source_v1_offer(s, f); }
    static void Receive(Offer* o, const char* f, int fd) { ext_data_control_offer_v1_receive(o, f, fd); }
    static void Destroy(Offer* o) { ext_data_control_offer_v1_destroy(o); }
    static void Destroy(Source* s) { ext_data_control_source_v1_destroy(s); }
    static void Destroy(Device* d) { ext_data_control_device_v1_destroy(d); }
    static void Destroy(Manager* m) { ext_data_control_manager_v1_destroy(m); }
    static void Listen(Device* d, const DeviceListener* l, void* p) { ext_data_control_device_v1_add_listener(d, l, p); }
    static void Listen(Source* s, const SourceListener* l, void* p) { ext_data_control_source_v1_add_listener(s, l, p); }
    static void Listen(Offer* o, const OfferListener* l, void* p) { ext_data_control_offer_v1_add_listener(o, l, p); }
};

struct WlrProtocol
{
    using Manager = zwlr_data_control_manager_v1;
    using Device = zwlr_data_control_device_v1;
    using Source = zwlr_data_control_source_v1;
    using Offer = zwlr_data_control_offer_v1;
    using DeviceListener = zwlr_data_control_device_v1_listener;
    using SourceListener = zwlr_data_control_source_v1_listener;
    using OfferListener = zwlr_data_control_offer_v1_listener;
    static constexpr const wl_interface* kManager = &zwlr_data_control_manager_v1_interface;
    static constexpr std::uint32_t kVersion = 2;
    static Device* GetDevice(Manager* m, wl_seat* s) { return zwlr_data_control_manager_v1_get_data_device(m, s); }
    static Source* CreateSource(Manager* m) { return zwlr_data_control_manager_v1_create_data_source(m); }
    static void SetSelection(Device* d, Source* s) { zwlr_data_control_device_v1_set_selection(d, s); }
    static void OfferFormat(Source* s, const char* f) { zwlr_data_control_source_v1_offer(s, f); }
    static void Receive(Offer* o, const char* f, int fd) { zwlr_data_control_offer_v1_receive(o, f, fd); }
    static void Destroy(Offer* o) { zwlr_data_control_offer_v1_destroy(o); }
    static void Destroy(Source* s) { zwlr_data_control_source_v1_destroy(s); }
    static void Destroy(Device* d) { zwlr_data_control_device_v1_destroy(d); }
    static void Destroy(Manager* m) { zwlr_data_control_manager_v1_destroy(m); }
    static void Listen(Device* d, const DeviceListener* l, void* p) { zwlr_data_control_device_v1_add_listener(d, l, p); }
    static void Listen(Source* s, const SourceListener* l, void* p) { zwlr_data_control_source_v1_add_listener(s, l, p); }
    static void Listen(Offer* o, const OfferListener* l, void* p) { zwlr_data_control_offer_v1_add_listener(o, l, p); }
};

// What the registry offers: the first seat, and each protocol's manager.
struct Globals
{
    wl_seat* seat = nullptr;
    std::uint32_t extName = 0, extVersion = 0;
    std::uint32_t wlrName = 0, wlrVersion = 0;
    wl_registry* registry = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version)
{
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat)
        globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, ext_data_control_manager_v1_interface.name) == 0)
        globals->extName = name, globals->extVersion = version;
    else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0)
        globals->wlrName = name, globals->wlrVersion = version;
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

template <typename P>
class WaylandConnection final : public ClipboardConnection, private ReaderLoop::Source
{
public:
    WaylandConnection(wl_display* display, Globals globals, std::uint32_t managerName, Deliver deliver)
        : m_display(display), m_globals(globals), m_deliver(std::move(deliver)), m_hostName(LocalHostName())
    {
        std::uint32_t version = std::min(P::kVersion, P::kVersion == 2 ? globals.wlrVersion : globals.extVersion);
        m_manager = static_cast<typename P::Manager*>(
            wl_registry_bind(globals.registry, managerName, P::kManager, version));
        m_device = P::GetDevice(m_manager, globals.seat);
        P::Listen(m_device, &kDeviceListener, this);
    }

    ~WaylandConnection() override
    {
        if (m_running)
            Stop();
        else
            Close();
    }

    bool Start()
    {
        // The selection there now arrives with the first events.
        m_running = wl_display_roundtrip(m_display) >= 0 && m_loop.Start(this);
        return m_running;
    }

    void Stop() override
    {
        m_loop.Stop([this] { Close(); });
    }

    bool Offer(std::function<ClipOffer()> build) override
    {
        // The compositor takes the source at once and says nothing back,
        // so that there is nothing to wait for here.
        return m_loop.Post([this, build = std::move(build)] { TakeClipboard(build()); });
    }

    void KeepOnOffer(std::shared_ptr<HeldCopy> held) override
    {
        m_loop.Post([this, held = std::move(held)] {
            m_held = held;
            // Not a wake of the loop for every copy: one is wanted only
            // while a copy's owner has gone and its copy is awaited.
            m_held->OnHeld([this] {
                if (m_giveBack.WaitsForHeld())
                    m_loop.Post([this] { TryRestore(); });
            });
        });
    }

private:
    struct Read
    {
        std::uint64_t generation = 0;
        ChangeTime changedAt;
        typename P::Offer* offer = nullptr;
        ReadSteps steps;
        int fd = -1;
        std::string data;
        struct Asked
        {
            std::string format;
            int fd;
        };
        std::deque<Asked> ahead;  // forms asked for before they are due
        Clock::time_point deadline;
        Clock::time_point formsDeadline;  // once gathering the other forms
        std::uint64_t changes = 0;        // other programs' copies when it started
        Clock::time_point started;
    };

    struct Send
    {
        int fd;
        std::shared_ptr<const ClipOffer> offer;
        std::string_view bytes;
        size_t offset = 0;
        Clock::time_point deadline;
    };

    // ReaderLoop::Source
    void Watch(std::vector<pollfd>& fds) override
    {
        while (wl_display_prepare_read(m_display) != 0)
            wl_display_dispatch_pending(m_display);
        m_prepared = true;
        wl_display_flush(m_display);
        fds.push_back({wl_display_get_fd(m_display), POLLIN, 0});
        for (const Read& read : m_reads)
            if (read.fd >= 0)
                fds.push_back({read.fd, POLLIN, 0});
        for (const Send& send : m_sends)
            fds.push_back({send.fd, POLLOUT, 0});
    }

    bool Dispatch(const std::vector<pollfd>& fds) override
    {
        if (m_prepared)
        {
            m_prepared = false;
            if (!fds.empty() && (fds[0].revents & (POLLIN | POLLERR | POLLHUP)))
            {
                if (wl_display_read_events(m_display) < 0)
                    return false;
            }
            else
                wl_display_cancel_read(m_display);
        }
        if (wl_display_dispatch_pending(m_display) < 0)
            return false;
        for (size_t i = 1; i < fds.size(); ++i)
            if (fds[i].revents)
                Ready(fds[i].fd, fds[i].events);
        CheckDeadlines();
        return wl_display_get_error(m_display) == 0;
    }

    std::optional<Clock::time_point> NextDeadline() const override
    {
        std::optional<Clock::time_point> next;
        for (const Read& read : m_reads)
            if (!next || read.deadline < *next)
                next = read.deadline;
        for (const Send& send : m_sends)
            if (!next || send.deadline < *next)
                next = send.deadline;
        if (std::optional<Clock::time_point> restore = m_giveBack.Deadline())
            if (!next || *restore < *next)
                next = restore;
        return next;
    }

    void Close()
    {
        if (m_held)
            m_held->OnHeld(nullptr);
        if (m_prepared)
            wl_display_cancel_read(m_display);
        m_prepared = false;
        while (!m_reads.empty())
            Abandon(m_reads.begin());
        for (Send& send : m_sends)
            ::close(send.fd);
        m_sends.clear();
        for (auto& [offer, formats] : m_offers)
            P::Destroy(offer);
        m_offers.clear();
        if (m_source)
            P::Destroy(m_source);
        if (m_device)
            P::Destroy(m_device);
        P::Destroy(m_manager);
        wl_seat_destroy(m_globals.seat);
        wl_registry_destroy(m_globals.registry);
        wl_display_flush(m_display);
        wl_display_disconnect(m_display);
    }

    // The device's events.
    static void OnDataOffer(void* data, typename P::Device*, typename P::Offer* offer)
    {
        auto* self = static_cast<WaylandConnection*>(data);
        self->m_offers[offer];
        P::Listen(offer, &kOfferListener, self);
    }

    static void OnOfferFormat(void* data, typename P::Offer* offer, const char* format)
    {
        auto* self = static_cast<WaylandConnection*>(data);
        auto found = self->m_offers.find(offer);
        if (found != self->m_offers.end() && found->second.size() < kMaxFormats &&
            std::strlen(format) <= kMaxFormatName)
            found->second.emplace_back(format);
    }

    static void OnSelection(void* data, typename P::Device*, typename P::Offer* offer)
    {
        static_cast<WaylandConnection*>(data)->SelectionChanged(offer);
    }

    static void OnPrimarySelection(void* data, typename P::Device*, typename P::Offer* offer)
    {
        // Not recorded, as on X.
        if (offer)
            static_cast<WaylandConnection*>(data)->Release(offer);
    }

    static void OnFinished(void* data, typename P::Device*)
    {
        auto* self = static_cast<WaylandConnection*>(data);
        P::Destroy(self->m_device);
        self->m_device = nullptr;
    }

    static void OnSend(void* data, typename P::Source* source, const char* format, std::int32_t fd)
    {
        static_cast<WaylandConnection*>(data)->Serve(source, format, fd);
    }

    static void OnCancelled(void* data, typename P::Source* source)
    {
        auto* self = static_cast<WaylandConnection*>(data);
        P::Destroy(source);
        if (source == self->m_source)
        {
            self->m_source = nullptr;
            self->m_owned.reset();  // answers under way keep their bytes
        }
    }

    static constexpr typename P::DeviceListener kDeviceListener = {OnDataOffer, OnSelection, OnFinished,
                                                                   OnPrimarySelection};
    static constexpr typename P::OfferListener kOfferListener = {OnOfferFormat};
    static constexpr typename P::SourceListener kSourceListener = {OnSend, OnCancelled};

    void SelectionChanged(typename P::Offer* offer)
    {
        const ChangeTime now = std::chrono::steady_clock::now();
        typename P::Offer* previous = m_selection;
        m_selection = offer;
        if (previous && previous != offer)
            Release(previous);
        if (!offer)
        {
            // The clipboard emptied, as it does when its owner goes:
            // nothing to record, perhaps something to give back.
            if (!m_source)
            {
                m_giveBack.OwnerGone(now);
                TryRestore();
            }
            return;
        }
        std::vector<std::string> formats = m_offers[offer];
        if (m_owned && m_ownFormats == formats)
        {
            // Our own copy: what a read would find is known. What was given
            // back after its owner went is already recorded.
            while (!m_reads.empty())
                Abandon(m_reads.begin());
            if (m_ownIsRestore)
                return;
            ClipSnapshot snapshot = m_owned->self();
            snapshot.changedAt = now;
            m_lastDelivered = ++m_generation;
            m_deliver(std::move(snapshot));
            return;
        }
        if (m_reads.size() >= kMaxReads)
            Abandon(m_reads.begin());
        m_giveBack.Changed();
        m_reads.push_back(Read{++m_generation, now, offer, ReadSteps(formats, m_hostName), -1, {}, {}, {}, {},
                               m_giveBack.Changes(), Clock::now()});
        NextOrFinish(std::prev(m_reads.end()));
    }

    // An offer no read and no selection needs any more.
    void Release(typename P::Offer* offer)
    {
        if (offer == m_selection)
            return;
        for (const Read& read : m_reads)
            if (read.offer == offer)
                return;
        m_offers.erase(offer);
        P::Destroy(offer);
    }

    void NextOrFinish(typename std::list<Read>::iterator read)
    {
        if (read->steps.Done())
        {
            Finish(read, read->steps.TakeSnapshot());
            return;
        }
        const std::string& format = read->steps.Next();
        if (!read->ahead.empty() && read->ahead.front().format == format)
        {
            read->fd = read->ahead.front().fd;
            read->ahead.pop_front();
        }
        else
        {
            ForgetAsked(*read);
            read->fd = Ask(read->offer, format);
            if (read->fd < 0)
            {
                Finish(read, ClipSnapshot::Nothing());
                return;
            }
        }
        read->data.clear();
        if (read->steps.Gathering())
        {
            // The other forms of a copy all come within one answer's time
            // of the form it is recorded by, however many the owner offers.
            if (read->formsDeadline == Clock::time_point())
                read->formsDeadline = Clock::now() + kAnswerTimeout;
            std::vector<std::string> after = read->steps.FormsAfterNext();
            for (size_t i = read->ahead.size(); i < std::min(after.size(), kFormsAhead); ++i)
            {
                const int fd = Ask(read->offer, after[i]);
                if (fd < 0)
                    break;
                read->ahead.push_back({after[i], fd});
            }
        }
        ExtendDeadline(*read);
    }

    // Asks the owner for `format`: our end of the pipe it is to write to,
    // or -1.
    static int Ask(typename P::Offer* offer, const std::string& format)
    {
        // Only our end waits for nobody: the owner's end blocks, as owners
        // expect, or one that writes with plain write() calls gets EAGAIN
        // once the pipe is full and ends the copy there, 64 KiB in.
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return -1;
        if (::fcntl(fds[0], F_SETFL, O_NONBLOCK) != 0)
        {
            ::close(fds[0]);
            ::close(fds[1]);
            return -1;
        }
        P::Receive(offer, format.c_str(), fds[1]);
        ::close(fds[1]);  // the compositor has its own copy once the request is sent
        return fds[0];
    }

    static void ForgetAsked(Read& read)
    {
        for (const typename Read::Asked& asked : read.ahead)
            ::close(asked.fd);
        read.ahead.clear();
    }

    void ExtendDeadline(Read& read)
    {
        read.deadline = Clock::now() + kAnswerTimeout;
        if (read.formsDeadline != Clock::time_point())
            read.deadline = std::min(read.deadline, read.formsDeadline);
    }

    // A transfer gone wrong: the whole read given up, or, for one of a
    // copy's other forms, that form alone, and the copy kept without it.
    void LeaveOut(typename std::list<Read>::iterator read)
    {
        if (!read->steps.Gathering())
        {
            Abandon(read);
            return;
        }
        ::close(read->fd);
        read->fd = -1;
        const std::string format = read->steps.Next();
        read->steps.Answer(std::nullopt, format);
        NextOrFinish(read);
    }

    void Ready(int fd, short events)
    {
        if (events & POLLIN)
        {
            auto read = std::find_if(m_reads.begin(), m_reads.end(), [fd](const Read& r) { return r.fd == fd; });
            if (read != m_reads.end())
                TakeBytes(read);
        }
        else
        {
            auto send = std::find_if(m_sends.begin(), m_sends.end(), [fd](const Send& s) { return s.fd == fd; });
            if (send != m_sends.end())
                GiveBytes(send);
        }
    }

    void TakeBytes(typename std::list<Read>::iterator read)
    {
        const size_t limit = read->steps.Limit();
        for (;;)
        {
            // Through a buffer of its own: a block made ready in the
            // answer itself, a megabyte zeroed for each of a copy's small
            // forms, was most of the time each form took.
            const size_t room = limit - std::min(limit, read->data.size());
            const size_t want = std::min(m_readBuffer.size(), room + 1);
            ssize_t got = ::read(read->fd, m_readBuffer.data(), want);
            if (got > 0)
            {
                const size_t had = read->data.size();
                if (read->data.capacity() < had + size_t(got))  // grown within the bound
                    read->data.reserve(std::min(limit + 1, std::max(had + size_t(got), read->data.capacity() * 2)));
                read->data.append(m_readBuffer.data(), size_t(got));
                if (read->data.size() > limit)
                {
                    LeaveOut(read);  // past the bound
                    return;
                }
                ExtendDeadline(*read);
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EINTR))
                return;
            // The end, or an error: the answer is what came.
            ::close(read->fd);
            read->fd = -1;
            const std::string format = read->steps.Next();
            read->steps.Answer(got == 0 ? std::optional<std::string>(std::move(read->data)) : std::nullopt, format);
            NextOrFinish(read);
            return;
        }
    }

    void Finish(typename std::list<Read>::iterator read, ClipSnapshot snapshot)
    {
        const std::uint64_t generation = read->generation;
        const std::uint64_t changes = read->changes;
        const ChangeTime changedAt = read->changedAt;
        const Clock::time_point started = read->started;
        if (snapshot.kind != ClipSnapshot::Kind::Nothing)
            while (m_reads.begin() != read)
                Abandon(m_reads.begin());
        Abandon(read);
        if (snapshot.kind != ClipSnapshot::Kind::Nothing && generation > m_lastDelivered)
        {
            m_lastDelivered = generation;
            m_giveBack.Delivered(generation, changes, started);
            snapshot.changedAt = changedAt;
            snapshot.serial = generation;
            m_deliver(std::move(snapshot));
        }
        TryRestore();
    }

    void TryRestore()
    {
        // No other manager is known here: a compositor that keeps the
        // clipboard itself offers its copy rather than leave it empty.
        if (HeldCopy::Build build = m_giveBack.Due(m_held.get(), !m_reads.empty(), false, Clock::now()))
            TakeClipboard(build(), true);
    }

    void Abandon(typename std::list<Read>::iterator read)
    {
        if (read->fd >= 0)
            ::close(read->fd);
        ForgetAsked(*read);
        typename P::Offer* offer = read->offer;
        m_reads.erase(read);
        Release(offer);
    }

    void CheckDeadlines()
    {
        const Clock::time_point now = Clock::now();
        for (auto read = m_reads.begin(); read != m_reads.end();)
        {
            auto next = std::next(read);
            if (read->deadline <= now)
            {
                if (read->steps.Gathering())
                {
                    // Of a copy's other forms, those that came.
                    read->steps.EndWithWhatCame();
                    NextOrFinish(read);
                }
                else
                    Abandon(read);
            }
            read = next;
        }
        TryRestore();
        for (auto send = m_sends.begin(); send != m_sends.end();)
        {
            auto next = std::next(send);
            if (send->deadline <= now)
            {
                ::close(send->fd);
                m_sends.erase(send);
            }
            send = next;
        }
    }

    // Owning

    void TakeClipboard(ClipOffer offer, bool restore = false)
    {
        if (!m_device)
            return;
        m_ownIsRestore = restore;
        if (m_source)
            P::Destroy(m_source);
        m_source = P::CreateSource(m_manager);
        P::Listen(m_source, &kSourceListener, this);
        m_ownFormats.clear();
        for (const ClipOffer::Form& form : offer.forms)
        {
            P::OfferFormat(m_source, form.target.c_str());
            m_ownFormats.push_back(form.target);
        }
        m_owned = std::make_shared<const ClipOffer>(std::move(offer));
        P::SetSelection(m_device, m_source);
    }

    void Serve(typename P::Source* source, const char* format, int fd)
    {
        const ClipOffer::Form* form = source == m_source && m_owned ? m_owned->Find(format) : nullptr;
        if (!form || m_sends.size() >= kMaxSends || ::fcntl(fd, F_SETFL, O_NONBLOCK) != 0)
        {
            ::close(fd);
            return;
        }
        m_sends.push_back({fd, m_owned, form->bytes, 0, Clock::now() + kSendTimeout});
    }

    void GiveBytes(typename std::list<Send>::iterator send)
    {
        while (send->offset < send->bytes.size())
        {
            ssize_t put = ::write(send->fd, send->bytes.data() + send->offset,
                                  std::min(send->bytes.size() - send->offset, kReadBlock));
            if (put > 0)
            {
                send->offset += size_t(put);
                send->deadline = Clock::now() + kSendTimeout;
                continue;
            }
            if (put < 0 && (errno == EAGAIN || errno == EINTR))
                return;
            break;  // the reader went away
        }
        ::close(send->fd);
        m_sends.erase(send);
    }

    wl_display* m_display;
    Globals m_globals;
    Deliver m_deliver;
    std::string m_hostName;
    ReaderLoop m_loop;
    typename P::Manager* m_manager = nullptr;
    typename P::Device* m_device = nullptr;
    bool m_prepared = false;
    bool m_running = false;

    std::map<typename P::Offer*, std::vector<std::string>> m_offers;  // what each offer offers
    typename P::Offer* m_selection = nullptr;
    std::list<Read> m_reads;  // oldest first
    std::vector<char> m_readBuffer = std::vector<char>(kReadBlock);
    std::uint64_t m_generation = 0;
    std::uint64_t m_lastDelivered = 0;

    typename P::Source* m_source = nullptr;
    std::shared_ptr<const ClipOffer> m_owned;
    std::vector<std::string> m_ownFormats;
    std::list<Send> m_sends;

    // Keeping the clipboard after its owner has gone
    std::shared_ptr<HeldCopy> m_held;
    GiveBack m_giveBack;
    bool m_ownIsRestore = false;
};

// A connection with the registry's globals known; nullptr without a
// Wayland display.
wl_display* Connect(Globals& globals)
{
    if (!std::getenv("WAYLAND_DISPLAY"))
        return nullptr;
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return nullptr;
    globals.registry = wl_display_get_registry(display);
    wl_registry_add_listener(globals.registry, &kRegistryListener, &globals);
    if (wl_display_roundtrip(display) < 0)
    {
        wl_display_disconnect(display);
        return nullptr;
    }
    return display;
}

void Disconnect(wl_display* display, Globals& globals)
{
    if (globals.seat)
        wl_seat_destroy(globals.seat);
    wl_registry_destroy(globals.registry);
    wl_display_disconnect(display);
}

}  // namespace

bool WaylandOffersDataControl()
{
    Globals globals;
    wl_display* display = Connect(globals);
    if (!display)
        return false;
    const bool offered = globals.seat && (globals.extName || globals.wlrName);
    Disconnect(display, globals);
    return offered;
}

std::unique_ptr<ClipboardConnection> OpenWaylandConnection(ClipboardConnection::Deliver deliver)
{
    Globals globals;
    wl_display* display = Connect(globals);
    if (!display)
        return nullptr;
    if (!globals.seat || (!globals.extName && !globals.wlrName))
    {
        Disconnect(display, globals);
        return nullptr;
    }
    // The standard protocol where the compositor has it.
    if (globals.extName)
    {
        auto reader = std::make_unique<WaylandConnection<ExtProtocol>>(display, globals, globals.extName,
                                                                      std::move(deliver));
        return reader->Start() ? std::move(reader) : nullptr;
    }
    auto reader =
        std::make_unique<WaylandConnection<WlrProtocol>>(display, globals, globals.wlrName, std::move(deliver));
    return reader->Start() ? std::move(reader) : nullptr;
}
