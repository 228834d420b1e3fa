"""Quillory on a KDE Plasma session's compositor, KWin, reading and writing
the clipboard through data-control while native Wayland programs have the
focus."""

from quillory_e2e import main
from wayland_cases import WaylandCases
from wayland_session import Kwin


class OnKwin(WaylandCases):
    SESSION = Kwin


if __name__ == "__main__":
    main()
