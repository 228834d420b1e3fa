"""A clipboard owner for the tests, in plain Xlib: offers the given targets,
and can misbehave on purpose.

  clip_owner.py [--never-answer] [--die-mid-incr] [--stall-mid-incr] [--endless-incr]
                [--claim BYTES] [--only TARGET] [--sequence N --rate R] [--selection NAME]
                [--take-back SECONDS]
                TARGET=text:VALUE | TARGET=file:PATH ...

--only TARGET keeps the misbehaviour to that one target; the others are
answered as they should be.

--endless-incr sends INCR chunks for ever; --claim names BYTES as the
INCR transfer's size, whatever it then sends. Once a requestor has taken
no chunk for four seconds, these print "sent N", the bytes it took. A
requestor may pause for a second between chunks without having given up:
growing its buffer on the way to 512 MiB touches hundreds of megabytes of
new pages at once, which takes that long on a virtual machine whose pages
come from the host only as they are first touched.

--selection owns NAME (CLIPBOARD_MANAGER, say) instead of CLIPBOARD.

--take-back takes the clipboard back at once whenever another program takes
it, for SECONDS, and prints "took back N" then; two of them fight.

--sequence takes the clipboard N times, changing the text of every text
target to VALUE followed by the change's number, R times a second (0: as
fast as it can), and then holds the last one. Prints "ready" once it owns
the clipboard, and "done" after a sequence.
"""

import argparse
import os
import re
import sys
import time

from Xlib import X, Xatom, display
from Xlib.protocol import event

CHUNK = 200000  # below the core protocol's request size; larger data goes INCR
# Seconds without a chunk taken that mean the requestor gave up. A reader
# growing its buffer to hundreds of megabytes pauses for over a second on a
# slow machine, for several under the sanitizers.
STALL = 4.0 * float(os.environ.get("QUILLORY_TEST_SLOWDOWN", "1"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--never-answer", action="store_true")
    parser.add_argument("--die-mid-incr", action="store_true")
    parser.add_argument("--stall-mid-incr", action="store_true")
    parser.add_argument("--endless-incr", action="store_true")
    parser.add_argument("--claim", type=int, default=0)
    parser.add_argument("--only")
    parser.add_argument("--sequence", type=int, default=0)
    parser.add_argument("--rate", type=float, default=0)
    parser.add_argument("--selection", default="CLIPBOARD")
    parser.add_argument("--take-back", type=float, default=0)
    parser.add_argument("offers", nargs="+")
    args = parser.parse_args()

    d = display.Display()
    window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    clipboard = d.intern_atom(args.selection)
    targets_atom = d.intern_atom("TARGETS")
    incr = d.intern_atom("INCR")

    offers = {}  # atom -> [bytes, is_text, base]
    for offer in args.offers:
        # The target's name may hold "=" itself (text/plain;charset=utf-8).
        name, kind, value = re.match(r"(.*?)=(text|file):(.*)", offer, re.S).groups()
        if kind == "file":
            with open(value, "rb") as f:
                data = f.read()
        else:
            data = value.encode()
        offers[d.intern_atom(name)] = [data, kind == "text", data]

    transfers = {}  # (requestor id, property) -> [requestor, type, data, offset]
    watched = []  # [time of the last chunk taken, bytes taken] of the newest transfer
    filler = os.urandom(CHUNK)

    def notify(request, prop):
        reply = event.SelectionNotify(time=request.time, requestor=request.requestor,
                                      selection=request.selection, target=request.target, property=prop)
        request.requestor.send_event(reply, event_mask=0)

    only = d.intern_atom(args.only) if args.only else None

    def serve(request):
        bad = only is None or request.target == only
        if args.never_answer and bad:
            return
        prop = request.property if request.property != X.NONE else request.target
        requestor = request.requestor
        if request.target == targets_atom:
            requestor.change_property(prop, Xatom.ATOM, 32, [targets_atom] + list(offers))
        elif request.target in offers:
            data = offers[request.target][0]
            if len(data) > CHUNK or (bad and (args.endless_incr or args.claim)):
                requestor.change_attributes(event_mask=X.PropertyChangeMask)
                requestor.change_property(prop, incr, 32, [(args.claim if bad else 0) or len(data)])
                transfers[(requestor.id, prop)] = [requestor, request.target, data, 0, bad]
                watched.append([time.monotonic(), 0])
            else:
                requestor.change_property(prop, request.target, 8, data)
        else:
            prop = X.NONE
        notify(request, prop)

    def next_chunk(ev):
        key = (ev.window.id, ev.atom)
        if ev.state != X.PropertyDelete or key not in transfers:
            return
        requestor, target, data, offset, bad = transfers[key]
        if args.die_mid_incr and bad and offset >= len(data) // 3:
            d.flush()
            os._exit(0)
        if args.stall_mid_incr and bad and offset >= len(data) // 3:
            return
        watched[-1] = [time.monotonic(), offset]
        chunk = filler if args.endless_incr and bad else data[offset:offset + CHUNK]
        requestor.change_property(ev.atom, target, 8, chunk)
        if chunk:
            transfers[key][3] = offset + len(chunk)
        else:
            del transfers[key]

    def handle(ev):
        if ev.type == X.SelectionRequest:
            serve(ev)
        elif ev.type == X.PropertyNotify:
            next_chunk(ev)
        elif ev.type == X.SelectionClear and fight_until and time.monotonic() < fight_until:
            window.set_selection_owner(clipboard, X.CurrentTime)
            took_back[0] += 1
        elif ev.type == X.SelectionClear and not args.sequence:
            if args.take_back:
                print("took back %d" % took_back[0], flush=True)
            sys.exit(0)  # another program took the clipboard
        d.flush()

    def report_stall():
        if watched and watched[-1][0] and time.monotonic() - watched[-1][0] > STALL:
            print("sent %d" % watched[-1][1], flush=True)
            watched[-1][0] = 0

    def serve_until(deadline):
        while True:
            while d.pending_events():
                handle(d.next_event())
            if time.monotonic() >= deadline:
                return
            time.sleep(0.0005)

    window.set_selection_owner(clipboard, X.CurrentTime)
    d.flush()
    if d.get_selection_owner(clipboard) != window:
        sys.exit(1)
    fight_until = time.monotonic() + args.take_back if args.take_back else 0
    took_back = [0]
    print("ready", flush=True)

    if args.sequence:
        period = 1.0 / args.rate if args.rate else 0
        next_time = time.monotonic()
        for i in range(args.sequence):
            for offer in offers.values():
                if offer[1]:
                    offer[0] = offer[2] + str(i).encode()
            window.set_selection_owner(clipboard, X.CurrentTime)
            d.flush()
            next_time += period
            serve_until(next_time)
        print("done", flush=True)
    while True:
        while d.pending_events():
            handle(d.next_event())
        report_stall()
        if fight_until and time.monotonic() >= fight_until:
            print("took back %d" % took_back[0], flush=True)
            fight_until = 0
        time.sleep(0.001 if watched else 0.01)


if __name__ == "__main__":
    main()
