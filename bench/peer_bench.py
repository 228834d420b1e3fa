"""Quillory beside CopyQ, the clipboard manager a Debian user would most
likely pick instead, measured the same way in the same run: each program
alone on the clipboard, from a fresh settings folder, the two interleaved
over several repetitions. Run by run_bench.py; alone:

  xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- \\
      /usr/bin/python3 bench/peer_bench.py build [repetitions]

How each program is observed: Quillory through the accessibility tree (its
count label), CopyQ through its command line (`copyq count`, `copyq read 0`).
Start-up and the first clipboard read are seen by the clipboard owner of the
bench, which notes when its text is asked for. Latency is also taken by
Quillory's own clock (QUILLORY_TIMING_LOG); CopyQ has none.
"""

import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import quillory_e2e as e  # noqa: E402
from capture_bench import HAND_PACE, percentile  # noqa: E402

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
BURST_RATES = (50, 200, 1000, 0)
BURST_SIZE = 100
# A pace both programs keep up with; for Quillory a flood, which it shows
# once a second.
TEXTS, TEXT_RATE = 1000, 20
IMAGES = 20
CPU_ROW = "CPU time per 1,000 captured texts of 1 KB (ms)"


# --- processes ---------------------------------------------------------------

def process_tree(pid):
    """The process and every process below it (CopyQ runs its clipboard
    monitor as a child)."""
    parents = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    parents.setdefault(int(f.read().rsplit(")", 1)[1].split()[1]), []).append(int(entry))
            except OSError:
                pass
    found, todo = [], [pid]
    while todo:
        p = todo.pop()
        found.append(p)
        todo.extend(parents.get(p, []))
    return found


def cpu_seconds(pids):
    total = 0.0
    for pid in pids:
        try:
            with open("/proc/%d/stat" % pid) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += (int(fields[11]) + int(fields[12])) / CLOCK_TICKS
        except OSError:
            pass
    return total


def memory_mb(pids):
    """Resident and proportional set sizes, summed over the processes."""
    rss = pss = 0
    for pid in pids:
        try:
            with open("/proc/%d/smaps_rollup" % pid) as f:
                for line in f:
                    if line.startswith("Rss:"):
                        rss += int(line.split()[1])
                    elif line.startswith("Pss:"):
                        pss += int(line.split()[1])
        except OSError:
            pass
    return rss / 1024.0, pss / 1024.0


def visible_window(args):
    return subprocess.run(["xdotool", "search", "--all", "--onlyvisible"] + args,
                          capture_output=True).stdout.strip() != b""


class Owner:
    """bench/burst_owner: takes the clipboard `count` times at `rate`."""

    def __init__(self, build, count, rate, prefix, report=False):
        command = [os.path.join(build, "bench", "burst_owner"), str(count), str(rate), prefix]
        self.process = subprocess.Popen(command + (["report"] if report else []), stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True)
        assert self.process.stdout.readline().strip() == "ready"

    def go(self):
        self.process.stdin.write("go\n")
        self.process.stdin.flush()

    def wait_done(self):
        while True:
            line = self.process.stdout.readline()
            if not line or line.startswith("done"):
                return

    def first_read(self, timeout):
        """When the text was first asked for (time.monotonic()), or None."""
        import select
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            ready, _, _ = select.select([self.process.stdout], [], [], deadline - time.monotonic())
            if ready:
                line = self.process.stdout.readline()
                if line.startswith("read "):
                    return float(line.split()[1])
        return None

    def stop(self):
        self.process.kill()
        self.process.wait()


# --- the programs ------------------------------------------------------------

class QuilloryRun:
    name = "Quillory"
    window = ["--name", "^Quillory$"]

    def __init__(self):
        self.q = e.Quillory()
        self.log = os.path.join(self.q.dir, "timing.log")
        self.label = None

    def spawn(self):
        return subprocess.Popen([self.q.executable], cwd=self.q.dir, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

    def start(self):
        os.environ["QUILLORY_TIMING_LOG"] = self.log
        try:
            self.q.start()
        finally:
            del os.environ["QUILLORY_TIMING_LOG"]
        self.label = self.q.find("label", prefix="You currently", root=self.q.page("Text"))

    def pids(self):
        return [self.q.process.pid]

    def count(self):
        return int(self.label.name.split(" ")[3])

    def images(self):
        return self.q.count("Images")

    def last_text(self):
        """The newest text record, as Save All Text Entries writes it."""
        parent = os.path.join(self.q.dir, "manual-save", "text")
        before = set(os.listdir(parent)) if os.path.isdir(parent) else set()
        time.sleep(1.05 - time.time() % 1)  # a second of its own, so the folder is new
        count = self.count()
        self.q.key("ctrl+t")
        folder = e.wait_until(lambda: os.path.isdir(parent) and set(os.listdir(parent)) - before, what="the save")
        path = os.path.join(parent, folder.pop(), "%d.txt" % count)
        e.wait_until(lambda: os.path.exists(path), what="the save's last text")
        time.sleep(0.1)
        with open(path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def own_latencies(self, last):
        with open(self.log) as f:
            lines = f.read().split("\n")
        return [int(line.split()[1]) / 1000.0 for line in lines if line.startswith("text ")][-last:]

    def stop(self):
        self.q.close()


class CopyQRun:
    name = "CopyQ"
    window = ["--class", "copyq"]

    def __init__(self):
        self.home = tempfile.mkdtemp(prefix="copyq-bench-")
        config = os.path.join(self.home, ".config", "copyq")
        os.makedirs(config)
        # Keeps every item of the bench, and no tray: its window is shown.
        with open(os.path.join(config, "copyq.conf"), "w") as f:
            f.write("[Options]\nmaxitems=10000\ndisable_tray=true\n")
        self.env = dict(os.environ, HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                        XDG_DATA_HOME=os.path.join(self.home, ".local", "share"),
                        XDG_CACHE_HOME=os.path.join(self.home, ".cache"))
        self.process = None

    def spawn(self):
        return subprocess.Popen(["copyq"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)

    def cli(self, *args):
        return subprocess.run(["copyq"] + list(args), env=self.env, capture_output=True, text=True,
                              timeout=30).stdout

    def start(self):
        self.process = self.spawn()
        e.wait_until(lambda: self.cli("count").strip().isdigit(), timeout=30, what="CopyQ's server")
        e.wait_until(lambda: len(process_tree(self.process.pid)) > 1, timeout=30, what="CopyQ's monitor")

    def pids(self):
        return process_tree(self.process.pid)

    def count(self):
        return int(self.cli("count").strip())

    def images(self):
        return self.count()

    def last_text(self):
        return self.cli("read", "0")

    def stop(self, process=None):
        process = process or self.process
        if process and process.poll() is None:
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except OSError:
                pass
            process.wait()

    def close(self):
        self.stop()
        shutil.rmtree(self.home, ignore_errors=True)


# --- one repetition ----------------------------------------------------------

def start_up(build, program):
    """Process start to its window mapped, and to its first read of the
    clipboard (as the owner sees it asked for its text)."""
    owner = Owner(build, 0, 0, "start-up ", report=True)
    try:
        time.sleep(0.3)
        start = time.monotonic()
        process = program.spawn()
        while not visible_window(program.window):
            if time.monotonic() - start > 30:
                raise AssertionError("no window from " + program.name)
            time.sleep(0.002)
        mapped = time.monotonic() - start
        read = owner.first_read(10)
        first_read = read - start if read else None
    finally:
        owner.stop()
    if isinstance(program, CopyQRun):
        program.stop(process)
    else:
        process.kill()
        process.wait()
    return mapped * 1000, (first_read * 1000 if first_read is not None else None)


def wait_for_count(program, at_least, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if program.count() >= at_least:
            return True
        time.sleep(0.002)
    return False


def latencies(program, changes):
    found = []
    for i in range(changes):
        before = program.count()
        e.set_clipboard("latency %s %d %f" % (program.name, i, time.time()))
        start = time.perf_counter()
        if not wait_for_count(program, before + 1, 5):
            raise AssertionError("%s did not record change %d" % (program.name, i))
        found.append(1000 * (time.perf_counter() - start))
        time.sleep(HAND_PACE)
    return found


def observer_cost(program):
    times = []
    for _ in range(20):
        start = time.perf_counter()
        program.count()
        times.append(1000 * (time.perf_counter() - start))
    return statistics.median(times)


def burst(build, program, rate):
    prefix = "burst at %d/s " % rate
    owner = Owner(build, BURST_SIZE, rate, prefix)
    try:
        time.sleep(0.5)
        before = program.count()
        owner.go()
        owner.wait_done()
        time.sleep(1.5)
        recorded = program.count() - before
        final = program.last_text() == prefix + str(BURST_SIZE - 1)
    finally:
        owner.stop()
    return recorded, final


def feed_texts(build, pids, count=lambda: 0):
    """TEXTS texts of 1 KB at TEXT_RATE: what `count` rose by, and the CPU
    seconds the processes took meanwhile."""
    owner = Owner(build, TEXTS, TEXT_RATE, "k" * 1000 + " text of 1 KB ")
    try:
        time.sleep(0.5)
        before, cpu = count(), cpu_seconds(pids)
        owner.go()
        owner.wait_done()
        time.sleep(1.0)
        return count() - before, cpu_seconds(pids) - cpu
    finally:
        owner.stop()


def many_texts(build, program):
    return feed_texts(build, program.pids(), program.count)


def images(program, paths):
    for path in paths:
        before = program.images()
        e.set_clipboard_file(path, "image/png")
        deadline = time.monotonic() + 5
        while program.images() <= before and time.monotonic() < deadline:
            time.sleep(0.05)


def repetition(build, program, results, pictures):
    def put(row, value):
        results.setdefault(row, {}).setdefault(program.name, []).append(value)

    mapped, first_read = start_up(build, program)
    put("start-up to window mapped (ms)", mapped)
    put("start-up to first clipboard read (ms)", first_read)

    program.start()
    try:
        time.sleep(2.0)
        rss, pss = memory_mb(program.pids())
        put("RSS at start (MB)", rss)
        put("PSS at start (MB)", pss)

        pids, cpu, start = program.pids(), cpu_seconds(program.pids()), time.monotonic()
        time.sleep(10.0)
        put("idle CPU over 10 s (% of one core)", 100 * (cpu_seconds(pids) - cpu) / (time.monotonic() - start))

        put("observer's cost: one reading of the count (ms)", observer_cost(program))
        lat = latencies(program, 30)
        put("change-to-record latency p50, as observed (ms)", percentile(lat, 50))
        put("change-to-record latency p99, as observed (ms)", percentile(lat, 99))
        if isinstance(program, QuilloryRun):
            own = program.own_latencies(30)
            put("change-to-record latency p50, program's own clock (ms)", percentile(own, 50))
            put("change-to-record latency p99, program's own clock (ms)", percentile(own, 99))

        for rate in BURST_RATES:
            recorded, final = burst(build, program, rate)
            what = "as fast as possible" if rate == 0 else "at %d/s" % rate
            put("recorded of %d changes %s" % (BURST_SIZE, what), recorded)
            put("final content of the burst %s recorded" % what, final)

        recorded, used = many_texts(build, program)
        put(CPU_ROW, 1000 * used * 1000 / max(1, recorded))
        rss, pss = memory_mb(program.pids())
        put("RSS after 1,000 texts of 1 KB (MB)", rss)
        put("PSS after 1,000 texts of 1 KB (MB)", pss)

        images(program, pictures)
        time.sleep(1.0)
        rss, pss = memory_mb(program.pids())
        put("RSS after 20 full-HD images (MB)", rss)
        put("PSS after 20 full-HD images (MB)", pss)
    finally:
        program.stop()


def minimal_reference(build, results):
    """The toolkit's minimal sample: start-up to its window, memory at start;
    with the toolkit's GL probe skipped as Quillory skips it, and as it
    starts by default."""
    exe = os.path.join(build, "bench", "wx_minimal")
    if not os.path.exists(exe):
        return
    for key, env in (("minimal", dict(os.environ, GDK_GL="disable")), ("minimal with GL probe", None)):
        # The probe's result is kept on the root window; removed, so that
        # each start probes as the first one on a display does.
        subprocess.run(["xprop", "-root", "-remove", "GDK_VISUALS"], check=False)
        one_minimal(exe, results, key, env)


def one_minimal(exe, results, key, env):
    start = time.monotonic()
    process = subprocess.Popen([exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    while not visible_window(["--name", "^Minimal wxWidgets App$"]):
        if time.monotonic() - start > 30:
            raise AssertionError("no window from the minimal sample")
        time.sleep(0.002)
    mapped = 1000 * (time.monotonic() - start)
    time.sleep(2.0)
    rss, pss = memory_mb([process.pid])
    process.kill()
    process.wait()
    for row, value in (("start-up to window mapped (ms)", mapped), ("RSS at start (MB)", rss),
                       ("PSS at start (MB)", pss)):
        results.setdefault(row, {}).setdefault(key, []).append(value)


def reference_reader(build, results, name="reference_reader", key="reference"):
    """The least any reader must do per change (bench/reference_reader.cpp),
    on a connection and a thread of its own, through the same bursts; or
    Quillory's own reader with nothing else of the program around it
    (bench/reader_alone.cpp)."""
    for rate in BURST_RATES:
        reader = subprocess.Popen([os.path.join(build, "bench", name), "4"], stdout=subprocess.PIPE,
                                  text=True)
        assert reader.stdout.readline().strip() == "ready"
        owner = Owner(build, BURST_SIZE, rate, "reference %d " % rate)
        try:
            time.sleep(0.3)
            owner.go()
            count, last = reader.stdout.readline().split(" ", 1)
        finally:
            owner.stop()
            reader.wait()
        # The owner's first text, read before the burst, is not one of it.
        what = "as fast as possible" if rate == 0 else "at %d/s" % rate
        results.setdefault("recorded of %d changes %s" % (BURST_SIZE, what), {}).setdefault(
            key, []).append(int(count) - 1)
    if name == "reader_alone":
        results.setdefault(CPU_ROW, {}).setdefault(key, []).append(reader_cpu(build))


def reader_cpu(build):
    """Quillory's reader alone fed the texts that many_texts() feeds the
    program: the CPU a copy costs before any record or window."""
    seconds = TEXTS / TEXT_RATE + 3
    reader = subprocess.Popen([os.path.join(build, "bench", "reader_alone"), str(seconds)],
                              stdout=subprocess.PIPE, text=True)
    assert reader.stdout.readline().strip() == "ready"
    try:
        _, used = feed_texts(build, [reader.pid])
    finally:
        reader.kill()
        reader.wait()
    return 1000 * used * 1000 / TEXTS


# --- the table ---------------------------------------------------------------

def make_pictures(folder):
    paths = []
    for i in range(IMAGES):
        path = os.path.join(folder, "shot%d.png" % i)
        subprocess.run(["convert", "-size", "1920x1080", "-seed", str(100 + i), "plasma:fractal", "-blur", "0x6",
                        "-depth", "8", path], check=True)
        paths.append(path)
    return paths


def spread(values):
    values = [v for v in values if v is not None]
    if not values:
        return "none", None
    if all(isinstance(v, bool) for v in values):
        return "%d of %d runs" % (sum(values), len(values)), None
    median = statistics.median(values)
    digits = 0 if median >= 100 else 1 if median >= 1 else 3
    form = "%%.%df" % digits
    return "%s (%s-%s)" % (form % median, form % min(values), form % max(values)), median


def table(results, repetitions):
    lines = ["| what | Quillory: median (min-max) | CopyQ: median (min-max) | CopyQ / Quillory | "
             "reference, same run |", "|---|---|---|---|---|"]
    for row, by_program in results.items():
        ours, our_median = spread(by_program.get("Quillory", []))
        theirs, their_median = spread(by_program.get("CopyQ", []))
        ratio = ""
        if our_median and their_median is not None:
            ratio = "%.2f" % (their_median / our_median)
        reference = ""
        if "minimal" in by_program:
            reference = "toolkit's minimal program: %s; %s when it probes GL" % (
                spread(by_program["minimal"])[0], spread(by_program.get("minimal with GL probe", []))[0])
        elif "reference" not in by_program and "reader alone" in by_program:
            reference = "Quillory's reader alone: %s" % spread(by_program["reader alone"])[0]
            if our_median:
                reference += "; the program / its reader: %.2f" % (our_median / spread(by_program["reader alone"])[1])
        elif "reference" in by_program:
            reference = "a bare reader: %s" % spread(by_program["reference"])[0]
            if "reader alone" in by_program:
                reference += "; Quillory's reader alone: %s" % spread(by_program["reader alone"])[0]
        lines.append("| %s | %s | %s | %s | %s |" % (row, ours, theirs, ratio, reference))
    return "\n".join(lines) + "\n"


def run(build, repetitions=3):
    """Every row for both programs, interleaved; returns the markdown table."""
    build = os.path.abspath(build)
    e.EXECUTABLE = os.path.join(build, "quillory")
    work = tempfile.mkdtemp(prefix="peer-bench-", dir="/var/tmp")
    results = {}
    try:
        pictures = make_pictures(work)
        for rep in range(repetitions):
            order = (QuilloryRun, CopyQRun) if rep % 2 == 0 else (CopyQRun, QuilloryRun)
            for make in order:
                e.stop_clipboard_owners()
                program = make()
                try:
                    repetition(build, program, results, pictures)
                finally:
                    if isinstance(program, CopyQRun):
                        program.close()
                print("repetition %d of %s done" % (rep + 1, program.name), flush=True)
            minimal_reference(build, results)
            reference_reader(build, results)
            reference_reader(build, results, "reader_alone", "reader alone")
    finally:
        e.stop_clipboard_owners()
        shutil.rmtree(work, ignore_errors=True)
    return table(results, repetitions)


if __name__ == "__main__":
    print(run(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 3))
