// A clipboard owner that feeds a day's copying at a steady pace: takes the
// clipboard once for each item of PLAN, a file of lines "KIND PATH", where
// KIND is "text" (offered as UTF8_STRING), a MIME type such as "image/png",
// or "files" (PATH holds a text/uri-list, offered as that and as
// x-special/gnome-copied-files), or "forms" (PATH holds lines "TARGET FILE",
// offered in that order, as a browser or an office program offers a rich
// copy). Each item is held until its content has
// been asked for, or for at most a second, and then for GAP_MS more.
// Prints "ready" once it owns the clipboard, starts on a line on stdin,
// prints "done SECONDS UNREAD" after the last item, which it holds until
// killed. Items are loaded one at a time, so the plan may name gigabytes.
//
//   day_owner PLAN GAP_MS

#include "serve_loop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Item
{
    std::string kind;
    std::string path;
};

struct Owner
{
    Display* display = nullptr;
    Window window = 0;
    Atom clipboard = 0, targets = 0;
    std::vector<Atom> forms;  // what the item is offered as
    std::vector<std::string> bodies;  // one per form
    bool read = false;

    void Serve(const XSelectionRequestEvent& request)
    {
        XSelectionEvent reply{};
        reply.type = SelectionNotify;
        reply.requestor = request.requestor;
        reply.selection = request.selection;
        reply.target = request.target;
        reply.time = request.time;
        reply.property = None;
        Atom property = request.property != None ? request.property : request.target;
        if (request.target == targets)
        {
            std::vector<Atom> offered = forms;
            offered.push_back(targets);
            XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<unsigned char*>(offered.data()), static_cast<int>(offered.size()));
            reply.property = property;
        }
        for (size_t n = 0; n < forms.size(); ++n)
        {
            if (request.target != forms[n])
                continue;
            XChangeProperty(display, request.requestor, property, forms[n], 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(bodies[n].data()),
                            static_cast<int>(bodies[n].size()));
            reply.property = property;
            read = true;
        }
        XSendEvent(display, request.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
    }

    // Answers requests until `deadline`, or until the content is read when
    // `untilRead`.
    void ServeUntil(Clock::time_point deadline, bool untilRead)
    {
        ::ServeUntil(display, deadline, [this](const XSelectionRequestEvent& request) { Serve(request); },
                     [this, untilRead] { return untilRead && read; });
    }

    Atom Intern(const char* name) { return XInternAtom(display, name, False); }

    bool Take(const Item& item)
    {
        std::ifstream in(item.path, std::ios::binary);
        std::string body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in && !in.eof())
            return false;
        forms.clear();
        bodies.clear();
        if (item.kind == "text")
        {
            forms = {Intern("UTF8_STRING")};
            bodies = {body};
        }
        else if (item.kind == "files")
        {
            forms = {Intern("text/uri-list"), Intern("x-special/gnome-copied-files")};
            bodies = {body, "copy\n" + body};
        }
        else if (item.kind == "forms")
        {
            std::istringstream lines(body);
            std::string target, path;
            while (lines >> target && std::getline(lines >> std::ws, path))
            {
                std::ifstream form(path, std::ios::binary);
                if (!form)
                    return false;
                forms.push_back(Intern(target.c_str()));
                bodies.emplace_back(std::istreambuf_iterator<char>(form), std::istreambuf_iterator<char>());
            }
        }
        else
        {
            forms = {Intern(item.kind.c_str())};
            bodies = {body};
        }
        read = false;
        XSetSelectionOwner(display, clipboard, window, CurrentTime);
        XFlush(display);
        return true;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: day_owner PLAN GAP_MS\n");
        return 2;
    }
    std::vector<Item> plan;
    {
        std::ifstream in(argv[1]);
        Item item;
        while (in >> item.kind && std::getline(in >> std::ws, item.path))
            plan.push_back(item);
    }
    auto gap = std::chrono::milliseconds(std::atol(argv[2]));

    Owner owner;
    owner.display = XOpenDisplay(nullptr);
    if (!owner.display)
        return 1;
    owner.window = XCreateSimpleWindow(owner.display, DefaultRootWindow(owner.display), 0, 0, 1, 1, 0, 0, 0);
    owner.clipboard = owner.Intern("CLIPBOARD");
    owner.targets = owner.Intern("TARGETS");
    std::printf("ready\n");
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return 1;

    Clock::time_point start = Clock::now();
    long unread = 0;
    for (const Item& item : plan)
    {
        if (!owner.Take(item))
        {
            std::fprintf(stderr, "day_owner: can't read %s\n", item.path.c_str());
            return 1;
        }
        owner.ServeUntil(Clock::now() + std::chrono::seconds(1), true);
        unread += owner.read ? 0 : 1;
        owner.ServeUntil(Clock::now() + gap, false);
    }
    std::printf("done %.3f %ld\n", std::chrono::duration<double>(Clock::now() - start).count(), unread);
    std::fflush(stdout);
    owner.ServeUntil(Clock::time_point::max() - std::chrono::hours(1), false);
}
