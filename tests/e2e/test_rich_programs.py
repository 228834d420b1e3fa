"""Rich copies from the programs users make them in, LibreOffice Writer and
Firefox ESR, each with a fresh profile: the record's copy button gives back
every form the owner delivered (but those a clipboard recorder leaves out),
byte for byte, and pasted into a new Writer document it keeps what a paste
of the original keeps."""

import os
import re
import shutil
import subprocess
import tempfile
import time
import zlib
import struct

from quillory_e2e import (SLOWDOWN, Client, QuilloryTest, get_clipboard, main, set_clipboard, settle,
                          start_window_manager, wait_until)

HERE = os.path.dirname(os.path.abspath(__file__))

# What a record does not keep: the protocol's targets, images beside a
# text or conversions of one, the older X encodings, a form naming the
# owner's process.
PROTOCOL = {"TIMESTAMP", "TARGETS", "MULTIPLE", "SAVE_TARGETS", "DELETE", "STRING", "TEXT", "COMPOUND_TEXT"}


def kept(target):
    lower = target.lower()
    subtype = lower.split("/", 1)[-1].split(";")[0]
    return not (target in PROTOCOL or lower.startswith("image/") or "bitmap" in lower or "metafile" in lower
                or "internal-id" in lower or subtype in ("ico", "icon", "x-icon"))


def delivered():
    """Every target the clipboard's owner names, with the bytes it delivers
    (None where it refuses)."""
    targets = get_clipboard("TARGETS").decode().splitlines()  # a name may hold blanks
    forms = {}
    for target in targets:
        try:
            forms[target] = get_clipboard(target)
        except subprocess.CalledProcessError:
            forms[target] = None
    return targets, forms


def png(width, height):
    raw = b"".join(b"\x00" + bytes([200, 30, 30]) * width for _ in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


DOCUMENT = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:xlink="http://www.w3.org/1999/xlink" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:automatic-styles>
<style:style style:name="B" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
<style:style style:name="I" style:family="text"><style:text-properties fo:font-style="italic"/></style:style>
</office:automatic-styles>
<office:body><office:text>
<text:p>Some <text:span text:style-name="B">bold</text:span>, some <text:span text:style-name="I">italic</text:span>
 and <text:a xlink:type="simple" xlink:href="https://example.org/">a link</text:a>.</text:p>
<table:table table:name="T"><table:table-column table:number-columns-repeated="2"/>
<table:table-row><table:table-cell><text:p>one</text:p></table:table-cell><table:table-cell><text:p>two</text:p></table:table-cell></table:table-row>
<table:table-row><table:table-cell><text:p>three</text:p></table:table-cell><table:table-cell><text:p>four</text:p></table:table-cell></table:table-row>
</table:table>
<text:p>The end.</text:p>
</office:text></office:body></office:document>
"""

PAGE = """<!doctype html><html><head><meta charset="utf-8"><title>Rich page</title></head>
<body><p>Some <b>bold</b>, some <i>italic</i> and <a href="https://example.org/">a link</a>.</p>
<table border="1"><tr><td>one</td><td>two</td></tr><tr><td>three</td><td>four</td></tr></table></body></html>
"""

PICTURE_PAGE = """<!doctype html><html><head><meta charset="utf-8"><title>Picture page</title></head>
<body style="margin:0"><img src="picture.png" alt="a red picture" width="600" height="450"></body></html>
"""

# A fresh profile of Writer's without the dialogs of a first start.
WRITER_SETTINGS = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema"
 xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="ShowTipOfTheDay" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Setup/Office"><prop oor:name="ooSetupInstCompleted" oor:op="fuse"><value>true</value></prop></item>
</oor:items>
"""

FIREFOX_PREFERENCES = """user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("datareporting.policy.firstRunURL", "");
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("browser.aboutwelcome.enabled", false);
"""


class RichPrograms(QuilloryTest):
    def setUp(self):
        super().setUp()
        for program in ("soffice", "firefox-esr"):
            if not shutil.which(program):
                self.skipTest("no " + program)
        manager = start_window_manager()
        self.addCleanup(manager.wait)
        self.addCleanup(manager.kill)
        self.folder = tempfile.mkdtemp(prefix="quillory-rich-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.writer = None

    def file(self, name, content):
        path = os.path.join(self.folder, name)
        with open(path, "wb" if isinstance(content, bytes) else "w") as f:
            f.write(content)
        return path

    def start_writer(self, document, profile_name="writer-profile"):
        profile = os.path.join(self.folder, profile_name)
        os.makedirs(os.path.join(profile, "user"))
        self.file(os.path.join(profile, "user", "registrymodifications.xcu"), WRITER_SETTINGS)
        self.writer = Client(self, ["soffice", "--norestore", "--nologo", "--nodefault",
                                    "-env:UserInstallation=file://" + profile, "--writer", document],
                             "^%s - LibreOffice Writer$" % re.escape(os.path.basename(document)))

    def firefox(self, page):
        profile = os.path.join(self.folder, "firefox-" + os.path.basename(page))
        os.makedirs(profile)
        self.file(os.path.join(profile, "user.js"), FIREFOX_PREFERENCES)
        title = re.search(r"<title>(.*)</title>", open(page).read()).group(1)
        return Client(self, ["firefox-esr", "--no-remote", "--profile", profile, "file://" + page],
                      "^%s .* Mozilla Firefox$" % title)

    def paste_into_new_document(self):
        """What a paste keeps, as Writer sees it: the pasted document's own
        html, once it is copied again from a new document."""
        def untitled():
            return set(subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                       "^Untitled [0-9]+ - LibreOffice Writer$"],
                                      capture_output=True, text=True, timeout=10).stdout.split())
        before = untitled()
        self.writer.keys("ctrl+n")
        window = wait_until(lambda: (untitled() - before or {None}).pop(), timeout=30, what="a new document")
        subprocess.run(["xdotool", "windowactivate", "--sync", window], check=True, timeout=10)
        for key in ("ctrl+v", "ctrl+a", "ctrl+a", "ctrl+c"):
            subprocess.run(["xdotool", "key", "--clearmodifiers", key], check=True, timeout=10)
            time.sleep(0.5)
        html = wait_until(lambda: get_clipboard("text/html") if "text/html" in get_clipboard("TARGETS").decode()
                          else None, timeout=10, what="Writer's copy of the pasted document").decode(errors="replace")
        return {"bold": bool(re.search(r"<b>|<strong|font-weight: ?bold", html, re.I)),
                "link": "https://example.org/" in html,
                "table": "<table" in html.lower(),
                "picture": "<img" in html.lower()}

    def copy_back(self, q, number, page="Text"):
        """Puts record `number` back, and returns what is then delivered."""
        set_clipboard("something else")
        q.show_record(number, page)
        q.press("Copy to Clipboard", page=page)
        wait_until(lambda: "something else" not in get_clipboard("UTF8_STRING").decode(errors="replace")
                   if page == "Text" else b"image/png" in get_clipboard("TARGETS"), what="Quillory's copy")
        return delivered()

    def assert_given_back(self, original, back, name, varying=()):
        """Every form kept is given back in the owner's order, byte for byte.
        Writer renders its document, rich text and html anew for each request,
        and never quite alike (the document is a zip with times in it): of
        those `varying` forms, what is given back is Quillory's own read,
        which only its kind can be checked against here; a paste shows the
        rest."""
        targets, forms = original
        back_targets, back_forms = back
        given = [t for t in targets if kept(t) and forms[t] is not None]
        for target in given:
            self.assertIn(target, back_forms, "%s: %s" % (name, target))
            if target in varying:
                self.assertEqual(back_forms[target][:5], forms[target][:5], "%s: %s" % (name, target))
            else:
                self.assertEqual(back_forms[target], forms[target], "%s: %s" % (name, target))
        order = [t for t in back_targets if t in given]
        self.assertEqual(order, given, name + ": the owner's order")
        print("\n%s: %d targets named, %d forms kept and given back (%d bytes), byte for byte but %s; left out: %s" % (
            name, len(targets), len(given), sum(len(forms[t]) for t in given), [t for t in varying if t in given] or "none",
            ", ".join(t[:40] for t in targets if t not in given)))

    def test_writer_and_firefox_copies_come_back_whole(self):
        self.start_writer(self.file("report.fodt", DOCUMENT))
        self.writer.keys("ctrl+a", "ctrl+a", "ctrl+c")
        first = wait_until(lambda: (lambda d: d if "text/html" in d[1] else None)(delivered()), what="Writer's copy")
        writer_copy = delivered()
        changed = [t for t in first[0] if first[1][t] != writer_copy[1].get(t)]
        q = self.q.start()  # it reads what is on the clipboard at start
        q.wait_label("You currently have 1 items of text saved from the clipboard", timeout=15)
        original_paste = self.paste_into_new_document()
        self.assertTrue(all(original_paste[k] for k in ("bold", "link", "table")), original_paste)
        back = self.copy_back(q, 1)
        self.assert_given_back(writer_copy, back, "Writer", changed)
        self.assertEqual(self.paste_into_new_document(), original_paste)

        page = self.file("page.html", PAGE)
        firefox = self.firefox(page)
        firefox.keys("ctrl+a", "ctrl+c")
        firefox_copy = wait_until(lambda: (lambda d: d if "text/x-moz-url-priv" in d[1] else None)(delivered()),
                                  timeout=10, what="Firefox's copy")
        count = q.count("Text")
        original_paste = self.paste_into_new_document()
        back = self.copy_back(q, count)
        self.assert_given_back(firefox_copy, back, "Firefox text")
        self.assertEqual(back[1]["text/plain"], firefox_copy[1]["text/plain"])  # its CRLF, not ours
        self.assertEqual(self.paste_into_new_document(), original_paste)

        self.file("picture.png", png(600, 450))
        picture = self.firefox(self.file("picture.html", PICTURE_PAGE))
        subprocess.run(["xdotool", "windowactivate", "--sync", picture.window, "mousemove", "--window",
                        picture.window, "300", "350", "click", "3"], check=True, timeout=10)
        time.sleep(1)
        subprocess.run(["xdotool", "key", "y"], check=True, timeout=10)  # "Copy Image"
        image_copy = wait_until(lambda: (lambda d: d if "image/png" in d[1] else None)(delivered()),
                                timeout=10, what="Firefox's image")
        q.wait_label("You currently have 1 images saved from the clipboard", page="Images", timeout=10)
        back = self.copy_back(q, 1, page="Images")
        self.assert_given_back(image_copy, back, "Firefox image")
        self.assertIn("a red picture", back[1]["text/html"].decode())

        # Writer's copy outlives Writer: a new Writer pastes it as the
        # original pasted.
        self.writer.keys("ctrl+a", "ctrl+a", "ctrl+c")
        wait_until(lambda: "text/html" in get_clipboard("TARGETS").decode(), what="Writer's copy again")
        settle(1.0)
        self.writer.close()
        # A request that reaches Writer as it dies is never answered: each
        # ask is given up on soon and made again.
        wait_until(lambda: "text/html" in get_clipboard("TARGETS", timeout=0.5 * SLOWDOWN).decode(), timeout=2,
                   what="Writer's copy after Writer")
        self.start_writer(self.file("after.fodt", DOCUMENT), "writer-after")
        after = self.paste_into_new_document()
        self.assertTrue(all(after[k] for k in ("bold", "link", "table")), after)


if __name__ == "__main__":
    main()
