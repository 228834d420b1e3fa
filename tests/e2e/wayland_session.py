"""Headless sessions of Debian's Wayland compositors for the end-to-end
tests, and wl-clipboard to copy and paste in them as native programs do."""

import os
import pwd
import shutil
import subprocess
import tempfile
import time

from desktop import wait_until

# sway will not run as root: its sessions belong to a user of their own.
SESSION_USER = "quillory-wayland"


def session_user():
    """The unprivileged user the compositor runs as; made when missing.
    None when this process can't make one."""
    try:
        return pwd.getpwnam(SESSION_USER)
    except KeyError:
        pass
    if os.geteuid() != 0:
        return None
    subprocess.run(["useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin", SESSION_USER],
                   check=True, timeout=30)
    return pwd.getpwnam(SESSION_USER)


class Sway:
    """sway on the headless backend with software rendering; XWayland on
    unless asked otherwise."""

    def __init__(self, test, xwayland=True):
        user = session_user()
        if user is None or not shutil.which("sway"):
            test.skipTest("sway needs root to make its user, and sway itself")
        self.runtime = tempfile.mkdtemp(prefix="quillory-sway-")
        os.chown(self.runtime, user.pw_uid, user.pw_gid)
        os.chmod(self.runtime, 0o700)
        config = os.path.join(self.runtime, "config")
        with open(config, "w") as f:
            f.write("xwayland %s\n" % ("enable" if xwayland else "disable"))
            f.write("output HEADLESS-1 resolution 1280x1024\n")
        os.chown(config, user.pw_uid, user.pw_gid)
        env = {"PATH": "/usr/bin:/bin", "HOME": self.runtime, "XDG_RUNTIME_DIR": self.runtime,
               "WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1", "WLR_RENDERER": "pixman"}
        self.log = open(os.path.join(self.runtime, "sway.log"), "wb")
        self.process = subprocess.Popen(["sway", "-c", config], env=env, user=user.pw_uid, group=user.pw_gid,
                                        stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True)
        test.addCleanup(self.close)
        socket = wait_until(lambda: next((n for n in os.listdir(self.runtime) if n.startswith("wayland-")
                                          and not n.endswith(".lock")), None), timeout=20, what="sway's socket")
        self.env = dict(os.environ, WAYLAND_DISPLAY=socket, XDG_RUNTIME_DIR=self.runtime)
        self.env.pop("DISPLAY", None)
        wait_until(lambda: self.swaymsg("-t", "get_version").returncode == 0, what="sway's answer")

    def swaymsg(self, *args):
        ipc = next((n for n in os.listdir(self.runtime) if n.startswith("sway-ipc.")), None)
        env = dict(self.env, SWAYSOCK=os.path.join(self.runtime, ipc or "none"))
        return subprocess.run(["swaymsg"] + list(args), env=env, capture_output=True, timeout=10)

    def run(self, command, **kw):
        """A native Wayland program in the session."""
        env = dict(self.env, GDK_BACKEND="wayland", NO_AT_BRIDGE="1", HOME=self.runtime)
        return subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True, **kw)

    def copy(self, data, mime=None):
        """wl-copy: a native owner, which serves the copy until the next."""
        command = ["wl-copy"] + (["--type", mime] if mime else [])
        subprocess.run(command, env=self.env, input=data, check=True, timeout=10,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def paste(self, mime):
        return subprocess.run(["wl-paste", "--no-newline", "--type", mime], env=self.env, capture_output=True,
                              check=True, timeout=30).stdout

    def offered(self):
        return subprocess.run(["wl-paste", "--list-types"], env=self.env, capture_output=True,
                              timeout=10).stdout.decode().split()

    def close(self):
        subprocess.run(["pkill", "-f", "wl-copy"], env=self.env, capture_output=True)
        if self.process.poll() is None:
            os.killpg(self.process.pid, 9)
            self.process.wait()
        self.log.close()
        shutil.rmtree(self.runtime, ignore_errors=True)
