"""Quillory on a sway session (wlroots), reading and writing the clipboard
through data-control while native Wayland programs have the focus."""

from quillory_e2e import main
from wayland_cases import WaylandCases
from wayland_session import Sway


class OnSway(WaylandCases):
    SESSION = Sway

    def test_starts_and_records_without_xwayland(self):
        q = self.start(xwayland=False)
        self.session.copy(b"no X at all")
        q.wait_label("You currently have 1 items of text saved from the clipboard")
        self.assertEqual(self.saved(), [b"no X at all"])


if __name__ == "__main__":
    main()
