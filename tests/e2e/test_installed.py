"""Quillory installed like any desktop application: `cmake --install` into a
prefix of its own, validated metadata, and the installed program run by
ordinary users, each with their own records."""

import glob
import os
import shutil
import signal
import subprocess
import tempfile
import time

import quillory_e2e as e
from quillory_e2e import QuilloryTest, main, set_clipboard, start_window_manager, uri_list, wait_until

APP_ID = "org.quillory.Quillory"


def run(command, **kw):
    return subprocess.run(command, check=True, capture_output=True, text=True, timeout=120, **kw)


class Installed(QuilloryTest):
    @classmethod
    def setUpClass(cls):
        cls.build = os.path.dirname(e.EXECUTABLE)
        cls.root = tempfile.mkdtemp(prefix="quillory-installed-")
        os.chmod(cls.root, 0o755)  # other users pass through to the program
        cls.prefix = os.path.join(cls.root, "prefix")
        run(["cmake", "--install", cls.build, "--prefix", cls.prefix])

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def test_installed_files_and_their_validation(self):
        share = os.path.join(self.prefix, "share")
        for path in ["bin/quillory", "share/quillory/license.txt", "share/quillory/README.md",
                     "share/applications/%s.desktop" % APP_ID, "share/metainfo/%s.metainfo.xml" % APP_ID,
                     "share/icons/hicolor/scalable/apps/%s.svg" % APP_ID,
                     "share/icons/hicolor/48x48/apps/%s.png" % APP_ID, "share/man/man1/quillory.1"]:
            self.assertTrue(os.path.isfile(os.path.join(self.prefix, path)), path)
        run(["desktop-file-validate", os.path.join(share, "applications", APP_ID + ".desktop")])
        run(["appstreamcli", "validate", "--no-net", os.path.join(share, "metainfo", APP_ID + ".metainfo.xml")])
        with open(os.path.join(share, "man", "man1", "quillory.1")) as f:
            self.assertTrue(f.read().startswith(".TH QUILLORY 1 "))

    def user(self, uid, documents=None):
        """An ordinary user of the machine: a home of its own, the display's
        key, and no way onto the accessibility bus of the tests."""
        home = os.path.join(self.root, "home-%d" % uid)
        os.makedirs(home)
        if documents:
            os.makedirs(os.path.join(home, ".config"))
            with open(os.path.join(home, ".config", "user-dirs.dirs"), "w") as f:
                f.write('XDG_DOCUMENTS_DIR="$HOME/%s"\n' % documents)
        env = {"HOME": home, "DISPLAY": os.environ["DISPLAY"], "NO_AT_BRIDGE": "1",
               "PATH": os.path.join(self.prefix, "bin") + ":/usr/bin:/bin"}
        if os.environ.get("XAUTHORITY"):
            shutil.copy(os.environ["XAUTHORITY"], os.path.join(home, ".Xauthority"))
            env["XAUTHORITY"] = os.path.join(home, ".Xauthority")
        for top, dirs, files in os.walk(home):
            for name in [top] + [os.path.join(top, n) for n in dirs + files]:
                os.chown(name, uid, uid)
        command = ["setpriv", "--reuid=%d" % uid, "--regid=%d" % uid, "--clear-groups", "env", "-i"]
        command += ["%s=%s" % item for item in env.items()] + ["quillory"]
        process = subprocess.Popen(command, cwd=home, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(process.wait)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        window = wait_until(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(process.pid),
                                                    "--name", "^Quillory$"], capture_output=True,
                                                   text=True).stdout.split(), timeout=20, what="the user's window")
        return home, process, window[0]

    def test_ordinary_users_keep_their_records_in_their_own_folders(self):
        shared = os.path.join(self.root, "shared")
        os.makedirs(shared)
        os.chmod(shared, 0o755)
        report = os.path.join(shared, "report.txt")
        with open(report, "w") as f:
            f.write("quarterly report")
        os.chmod(report, 0o644)
        set_clipboard(uri_list([report]), "text/uri-list")

        home_a, first, window_a = self.user(61000, documents="Docs")
        stored_a = os.path.join(home_a, ".cache", "quillory", "copied-files", "1", "report.txt")
        wait_until(lambda: os.path.exists(stored_a), what="the first user's stored copy")
        self.assertEqual(os.stat(stored_a).st_uid, 61000)

        # A second user at the same time: a program and records of their own.
        home_b, second, _ = self.user(61001)
        stored_b = os.path.join(home_b, ".cache", "quillory", "copied-files", "1", "report.txt")
        wait_until(lambda: os.path.exists(stored_b), what="the second user's stored copy")
        self.assertIsNone(first.poll())
        self.assertIsNone(second.poll())

        subprocess.run(["xdotool", "windowfocus", "--sync", window_a, "key", "--clearmodifiers", "ctrl+s"],
                       check=True, timeout=10)
        saved = wait_until(lambda: glob.glob(os.path.join(home_a, "Docs", "Quillory", "manual-save", "*", "files",
                                                          "report.txt")), what="the save in the documents folder")
        with open(saved[0]) as f:
            self.assertEqual(f.read(), "quarterly report")

        # Nothing was written beside the installed program.
        self.assertEqual(os.listdir(os.path.join(self.prefix, "bin")), ["quillory"])
        for process in (first, second):
            process.send_signal(signal.SIGTERM)
            process.wait(timeout=5)
        self.assertFalse(os.path.exists(os.path.dirname(os.path.dirname(stored_a))))
        self.assertFalse(os.path.exists(os.path.dirname(os.path.dirname(stored_b))))

    def test_the_license_is_found_wherever_it_is_started(self):
        manager = start_window_manager()
        self.addCleanup(manager.wait)
        self.addCleanup(manager.kill)
        set_clipboard("nothing of the user's files")
        home = tempfile.mkdtemp(prefix="quillory-home-")
        self.addCleanup(shutil.rmtree, home, True)
        q = self.q
        q.executable = os.path.join(self.prefix, "bin", "quillory")
        q.dir = home  # started from the home folder, where there is no info/license.txt
        q.start()
        q.choose_with_mouse("About", "License")
        dialog = q.dialog("Quillory :: License")
        text = wait_until(lambda: q.text_of(q.find("text", root=dialog)), what="the license text")
        self.assertIn("GNU GENERAL PUBLIC LICENSE", text)


class Package(QuilloryTest):
    def test_the_debian_package_holds_the_installation(self):
        build = os.path.dirname(e.EXECUTABLE)
        out = tempfile.mkdtemp(prefix="quillory-package-")
        self.addCleanup(shutil.rmtree, out, True)
        run(["cpack", "--config", os.path.join(build, "CPackConfig.cmake"), "-B", out])
        package = glob.glob(os.path.join(out, "quillory_*.deb"))
        self.assertEqual(len(package), 1)
        contents = run(["dpkg-deb", "-c", package[0]]).stdout
        for path in ["./usr/bin/quillory", "./usr/share/applications/%s.desktop" % APP_ID,
                     "./usr/share/metainfo/%s.metainfo.xml" % APP_ID, "./usr/share/quillory/license.txt",
                     "./usr/share/icons/hicolor/scalable/apps/%s.svg" % APP_ID, "./usr/share/man/man1/quillory.1"]:
            self.assertIn(path, contents)
        depends = run(["dpkg-deb", "-f", package[0], "Depends"]).stdout
        self.assertIn("libwxgtk3.2", depends)
        print("\n" + os.path.basename(package[0]), os.path.getsize(package[0]), "bytes; Depends:", depends.strip())


if __name__ == "__main__":
    main()
