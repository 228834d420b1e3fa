"""Quillory on GNOME's compositor, Mutter, which offers no data-control: the
clipboard is read and written through XWayland, to and from which Mutter
hands every copy, while native Wayland programs have the focus."""

from quillory_e2e import main
from wayland_cases import WaylandCases
from wayland_session import Mutter


class OnMutter(WaylandCases):
    SESSION = Mutter


if __name__ == "__main__":
    main()
