// A clipboard owner that answers at once: takes the clipboard `count` times,
// `rate` times a second (0: as fast as it can), each time with the text
// "<prefix><n>" offered as UTF8_STRING, and answers every request the moment
// it comes. Prints "ready" once it owns the clipboard, then "done <seconds>"
// after the last change, which it holds until killed. With "report", it also
// prints "read <seconds>" (CLOCK_MONOTONIC) whenever its text is asked for.
// Each TARGET=FILE after it is offered beside the text with the file's bytes
// (under 256 KiB: no INCR), as an office program offers its other forms.
//
//   burst_owner COUNT RATE [PREFIX [report|quiet [TARGET=FILE ...]]]

#include "serve_loop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Owner
{
    Display* display = nullptr;
    Window window = 0;
    Atom clipboard = 0, targets = 0, utf8 = 0;
    std::string text;
    bool report = false;
    std::vector<std::pair<Atom, std::string>> forms;

    void Serve(const XSelectionRequestEvent& request)
    {
        XSelectionEvent reply{};
        reply.type = SelectionNotify;
        reply.requestor = request.requestor;
        reply.selection = request.selection;
        reply.target = request.target;
        reply.time = request.time;
        Atom property = request.property != None ? request.property : request.target;
        if (request.target == targets)
        {
            std::vector<Atom> offered = {targets, utf8};
            for (const auto& form : forms)
                offered.push_back(form.first);
            XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(offered.data()), static_cast<int>(offered.size()));
            reply.property = property;
        }
        else if (request.target == utf8)
        {
            XChangeProperty(display, request.requestor, property, utf8, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
            reply.property = property;
            if (report)
            {
                std::printf("read %.6f\n", std::chrono::duration<double>(Clock::now().time_since_epoch()).count());
                std::fflush(stdout);
            }
        }
        else
        {
            reply.property = None;
            for (const auto& form : forms)
                if (request.target == form.first)
                {
                    XChangeProperty(display, request.requestor, property, form.first, 8, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(form.second.data()),
                                    static_cast<int>(form.second.size()));
                    reply.property = property;
                }
        }
        XSendEvent(display, request.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
    }

    void ServePending()
    {
        ::ServePending(display, [this](const XSelectionRequestEvent& request) { Serve(request); });
    }

    void ServeUntil(Clock::time_point deadline)
    {
        ::ServeUntil(display, deadline, [this](const XSelectionRequestEvent& request) { Serve(request); },
                     [] { return false; });
    }

    void Take(std::string value)
    {
        text = std::move(value);
        XSetSelectionOwner(display, clipboard, window, CurrentTime);
        XFlush(display);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: burst_owner COUNT RATE [PREFIX]\n");
        return 2;
    }
    long count = std::atol(argv[1]);
    double rate = std::atof(argv[2]);
    std::string prefix = argc > 3 ? argv[3] : "burst ";

    Owner owner;
    owner.report = argc > 4 && std::string(argv[4]) == "report";
    owner.display = XOpenDisplay(nullptr);
    if (!owner.display)
        return 1;
    owner.window = XCreateSimpleWindow(owner.display, DefaultRootWindow(owner.display), 0, 0, 1, 1, 0, 0, 0);
    owner.clipboard = XInternAtom(owner.display, "CLIPBOARD", False);
    owner.targets = XInternAtom(owner.display, "TARGETS", False);
    owner.utf8 = XInternAtom(owner.display, "UTF8_STRING", False);
    for (int i = 5; i < argc; ++i)
    {
        std::string form = argv[i];
        size_t equals = form.rfind('=');
        std::ifstream file(form.substr(equals + 1), std::ios::binary);
        owner.forms.emplace_back(XInternAtom(owner.display, form.substr(0, equals).c_str(), False),
                                 std::string(std::istreambuf_iterator<char>(file), {}));
    }

    owner.Take(prefix + "start");
    if (XGetSelectionOwner(owner.display, owner.clipboard) != owner.window)
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    // Whoever is told "ready" may start watching; the burst starts on a line
    // from them, so that no program is still busy with the start. Requests
    // for the first text are answered meanwhile.
    for (;;)
    {
        owner.ServePending();
        pollfd fds[2] = {{ConnectionNumber(owner.display), POLLIN, 0}, {0, POLLIN, 0}};
        poll(fds, 2, -1);
        if (fds[1].revents)
            break;
    }
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return 1;

    auto period = rate > 0 ? std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate))
                           : Clock::duration::zero();
    // Each text is held a whole period from when it was taken: an owner that
    // fell behind and caught up would hold some for less, and a change held
    // for less than the period is a faster rate than the one asked for.
    Clock::time_point start = Clock::now();
    for (long i = 0; i < count; ++i)
    {
        owner.Take(prefix + std::to_string(i));
        owner.ServeUntil(Clock::now() + period);
    }
    std::printf("done %.6f\n", std::chrono::duration<double>(Clock::now() - start).count());
    std::fflush(stdout);
    owner.ServeUntil(Clock::time_point::max() - std::chrono::hours(1));
}
