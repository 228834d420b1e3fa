// The least a clipboard recorder must do for each change, as a reference for
// what the machine allows: on an X connection of its own and a thread that
// does nothing else, it hears each owner change (XFixes), asks for TARGETS,
// then for UTF8_STRING, and counts the distinct texts it got. No window, no
// toolkit, no INCR. Prints "ready", then after `seconds` the count and the
// last text.
//
//   reference_reader SECONDS

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

int main(int argc, char** argv)
{
    double seconds = argc > 1 ? std::atof(argv[1]) : 5;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    int eventBase = 0, errorBase = 0;
    if (!XFixesQueryExtension(display, &eventBase, &errorBase))
        return 1;
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    Atom targets = XInternAtom(display, "TARGETS", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom property = XInternAtom(display, "REFERENCE_READ", False);
    XFixesSelectSelectionInput(display, window, clipboard, XFixesSetSelectionOwnerNotifyMask);
    XFlush(display);
    std::printf("ready\n");
    std::fflush(stdout);

    long distinct = 0;
    std::string last;
    bool changed = false, reading = false;
    Atom asked = None;
    Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < end)
    {
        if (!XPending(display))
        {
            pollfd fd{ConnectionNumber(display), POLLIN, 0};
            poll(&fd, 1, 10);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == eventBase + XFixesSelectionNotify)
            changed = true;
        else if (event.type == SelectionNotify && reading)
        {
            const XSelectionEvent& reply = event.xselection;
            if (reply.property == None)
                reading = false;
            else
            {
                Atom type = None;
                int format = 0;
                unsigned long count = 0, after = 0;
                unsigned char* data = nullptr;
                XGetWindowProperty(display, window, property, 0, 1 << 20, True, AnyPropertyType, &type, &format,
                                   &count, &after, &data);
                if (asked == targets)
                {
                    asked = utf8;
                    XConvertSelection(display, clipboard, utf8, property, window, CurrentTime);
                }
                else
                {
                    std::string text(reinterpret_cast<char*>(data), count);
                    if (text != last)
                        ++distinct;
                    last = text;
                    reading = false;
                }
                if (data)
                    XFree(data);
            }
        }
        if (changed && !reading)
        {
            changed = false;
            reading = true;
            asked = targets;
            XConvertSelection(display, clipboard, targets, property, window, CurrentTime);
        }
        XFlush(display);
    }
    std::printf("%ld %s\n", distinct, last.c_str());
}
