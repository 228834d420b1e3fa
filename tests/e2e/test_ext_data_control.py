"""The standard data-control protocol, ext_data_control_v1, which no
compositor of Debian 12 offers: the tests' own server offers it beside
wlroots' one, Quillory is to choose it, and every case of the compositors'
files is run through it."""

from quillory_e2e import main
from wayland_cases import WaylandCases
from wayland_session import DataControlServer


class OnExtDataControl(WaylandCases):
    SESSION = DataControlServer

    def test_the_standard_protocol_is_chosen_where_both_are_offered(self):
        q = self.start()
        self.session.copy(b"through ext")
        q.wait_label("You currently have 1 items of text saved from the clipboard")
        self.assertIn("ext", self.session.devices())


if __name__ == "__main__":
    main()
