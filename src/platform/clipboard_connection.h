#pragma once

#include "clipboard/clip_snapshot.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class HeldCopy;
struct ClipOffer;

// The program's one connection to the system clipboard, on a thread of its
// own: it turns each change of the clipboard into one snapshot, and it puts
// records back there, without the window ever waiting on the program that
// owns the clipboard. Snapshots are delivered on the connection's thread,
// in the order of the changes; a read overtaken by a newer change's
// snapshot is dropped. Made once by the application and handed to those
// who put records back.
class ClipboardConnection
{
public:
    using Deliver = std::function<void(ClipSnapshot)>;

    virtual ~ClipboardConnection() = default;

    // No snapshot is delivered, and nothing more is put on the clipboard,
    // after this returns.
    virtual void Stop() = 0;

    // Each puts its data on the clipboard, or returns false and puts
    // nothing there when the clipboard can't be taken or the connection has
    // stopped. Called on the GUI thread; none waits for another program.

    // Text as these bytes exactly, in every text form programs ask for:
    // nothing converted, line ends and NULs included; with `forms`, the
    // copy's other forms its owner delivered, each as it came. The bytes
    // are shared, not copied.
    virtual bool PutText(SharedText text, SharedForms forms = {});
    // Files as file managers paste them.
    virtual bool PutFiles(const std::vector<std::filesystem::path>& files);
    // An image as this PNG, with the copy's other forms.
    virtual bool PutPng(SharedBytes png, SharedForms forms = {});

    // Where the clipboard lives in the program that copied (X, Wayland),
    // puts what `held` holds back on it when that program goes away and
    // leaves it empty, provided it is what was there, whole. Never while
    // another program owns the clipboard or keeps it (another clipboard
    // manager), and not over and over against a program that fights.
    virtual void KeepOnOffer(std::shared_ptr<HeldCopy> held) { (void)held; }

    // The connection the session offers, started: it reads what the
    // clipboard holds now. nullptr when there is no clipboard to watch.
    static std::unique_ptr<ClipboardConnection> Open(Deliver deliver);

protected:
    // Where the connection owns the clipboard itself (X, Wayland
    // data-control): puts on the clipboard what `build` makes, built and
    // served from the connection's thread, until another program takes the
    // clipboard or the connection stops. The Put calls above go through it
    // unless a connection does them otherwise.
    virtual bool Offer(std::function<ClipOffer()> build)
    {
        (void)build;
        return false;
    }
};
