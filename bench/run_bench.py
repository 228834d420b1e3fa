"""Runs every benchmark against the built program and writes
docs/performance.md: each figure beside a reference measured in the same run
on the same machine. Run by `make bench` (under Xvfb and a D-Bus session)."""

import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import quillory_e2e as e  # noqa: E402
from capture_bench import HAND_PACE, cpu_seconds, idle_cpu, latencies, percentile  # noqa: E402
from gui_stall_bench import probe  # noqa: E402
import day_bench  # noqa: E402
import peer_bench  # noqa: E402

BUILD = os.path.abspath(sys.argv[1])
OUT = os.path.abspath(sys.argv[2])
e.EXECUTABLE = os.path.join(BUILD, "quillory")
WORK = tempfile.mkdtemp(prefix="quillory-bench-", dir="/var/tmp")
rows = []
peer_table = []
day_table = []


def row(what, figure, reference, goal=""):
    rows.append((what, figure, reference, goal))
    print("%-55s %-40s %-40s %s" % (what, figure, reference, goal), flush=True)


def run(command, **kw):
    return subprocess.run(command, capture_output=True, text=True, check=True, **kw).stdout


def timed(command, check=True):
    start = time.perf_counter()
    subprocess.run(command, check=check, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def rss_kb(pid):
    with open("/proc/%d/status" % pid) as f:
        return int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1))


def program():
    e.stop_clipboard_owners()
    q = e.Quillory()
    q.start()
    time.sleep(0.5)
    return q


def bench_idle_and_latency():
    q = program()
    try:
        idle = idle_cpu(q, 10.0)
        row("idle CPU over 10 s", "%.3f%% of one core" % idle,
            "100% of one core (an unpaused polling loop, by construction)", "< 0.5%")
        lat = latencies(q, 200)
        # The reference: another client reading the same kind of change.
        ref = []
        for i in range(50):
            e.set_clipboard("reference %d" % i)
            ref.append(1000 * timed(["xclip", "-selection", "clipboard", "-o"]))
        row("capture latency, clipboard change to record, 200 changes",
            "p50 %.1f ms, p99 %.1f ms" % (percentile(lat, 50), percentile(lat, 99)),
            "xclip -o reading a change: p50 %.1f ms, p99 %.1f ms" % (percentile(ref, 50), percentile(ref, 99)),
            "p99 < 50 ms")
    finally:
        q.close()


def bench_missed():
    for rate in (50, 200):
        q = program()
        try:
            changes = 200
            owner = e.start_owner("UTF8_STRING=text:change ", sequence=changes, rate=rate)
            owner.stdout.readline()
            time.sleep(1.0)
            recorded = q.count("Text")
            owner.kill()
            row("missed changes at %d changes/s (each held until the next)" % rate,
                "%d of %d recorded, %d missed" % (recorded, changes, changes - recorded),
                "%d distinct texts set" % changes, "none missed at 50/s" if rate == 50 else "")
        finally:
            q.close()
            e.stop_clipboard_owners()


def bench_file_burst():
    q = program()
    try:
        listing = e.make_file_list(os.path.join(q.dir, "many"), 10000)
        label = q.find("label", prefix="You currently", root=q.page("Files"))
        idle, _, _ = probe(label, lambda name: False, limit=2.0)
        owner = e.start_owner("text/uri-list=file:" + listing)
        longest, reads, total = probe(label, lambda name: name.startswith("You currently have 10000 "), limit=120)
        owner.kill()
        row("window's longest answer while a list of 10,000 files is recorded",
            "%.1f ms over %d reads; all recorded after %.0f ms" % (longest, reads, total),
            "idle window: %.1f ms" % idle, "< 250 ms")
    finally:
        q.close()
        e.stop_clipboard_owners()


def bench_search():
    out = run([os.path.join(BUILD, "bench", "search_bench")])
    search = re.search(r"search: ([\d.]+) ms, \d+ matches, (\d+) MB/s", out)
    memmem = re.search(r"memmem over the same bytes: ([\d.]+) ms, \d+ hits, (\d+) MB/s", out)
    # grep -F over the same amount of text in a file, from the page cache.
    path = os.path.join(WORK, "records.txt")
    with open(path, "w") as f:
        for i in range(100000):
            f.write(("clipboard record meeting naïve café %d " % i) * 26 + "\n")
    grep_command = ["grep", "-F", "-c", "Quarterly café budget", path]  # no line matches: a full scan
    timed(grep_command, check=False)
    grep = min(timed(grep_command, check=False) for _ in range(5))
    size_mb = os.path.getsize(path) / 1e6
    row("search, 100,000 records of 1 KB (about 100 MB)",
        "%s ms per search, %s MB/s" % search.groups(),
        "memmem %s ms (%s MB/s); grep -F %.0f ms (%.0f MB/s)" % (memmem.group(1), memmem.group(2), 1000 * grep,
                                                                size_mb / grep),
        "within 3x of memmem: %.2fx" % (float(search.group(1)) / float(memmem.group(1))))
    window = run([os.path.join(BUILD, "bench", "search_window_bench")])
    row("search matching all 100,000 records, window opened",
        re.search(r"in ([\d.]+) ms", window).group(1) + " ms", "", "< 500 ms")
    lone = re.search(r"340 KB opened its window in ([\d.]+) ms \(the Text page shows it in ([\d.]+) ms\); "
                     r"(-?\d+) MB while open, (-?\d+) MB kept", window)
    row("search whose match is one line of 340 KB, window opened",
        "%s ms; %s MB while open, %s MB kept after closing" % (lone.group(1), lone.group(3), lone.group(4)),
        "Text page showing it: %s ms" % lone.group(2), "< 1 s, memory given back")


def bench_copy():
    out = run([os.path.join(BUILD, "bench", "copy_bench"), WORK, "1024", "3"])
    m = re.search(r"CopyFileData ([\d.]+) s \((\d+) MiB/s\), cp ([\d.]+) s \((\d+) MiB/s\), ratio ([\d.]+)", out)
    row("file copy, 1 GiB, best of 3", "%s s (%s MiB/s)" % m.group(1, 2), "cp: %s s (%s MiB/s)" % m.group(3, 4),
        "within 10%% of cp: %s" % m.group(5))


def bench_save():
    out = run([os.path.join(BUILD, "bench", "save_bench"), WORK, "keep"])
    gui = re.search(r"GUI thread.*: ([\d.]+) ms", out).group(1)
    worker = re.search(r"worker thread.*: (\d+) ms", out).group(1)
    tree = re.search(r"saved tree: (.*)", out).group(1)
    reference = timed(["cp", "-r", tree, os.path.join(WORK, "copy-of-tree")])
    row("Save Everything!: 1,000 texts, 100 images 1920x1080, 100 files of 1 MB",
        "worker %s ms; GUI thread busy %s ms" % (worker, gui),
        "cp -r of the written tree: %.0f ms" % (1000 * reference))
    shutil.rmtree(os.path.dirname(tree), ignore_errors=True)


def bench_memory():
    q = program()
    try:
        def grow(page, make, count):
            """Resident memory added per record, over the records actually made."""
            time.sleep(1.0)
            before, records = rss_kb(q.process.pid), q.count(page)
            for i in range(count):
                make(i)
            time.sleep(2.0)
            return (rss_kb(q.process.pid) - before) / max(1, q.count(page) - records)

        def text(size):
            def make(i):
                path = os.path.join(WORK, "t.txt")
                with open(path, "w") as f:
                    f.write(("%08d" % i) + "x" * (size - 8))
                e.set_clipboard_file(path, "UTF8_STRING")
                time.sleep(0.02)
            return make

        per_kb = grow("Text", text(1024), 1000)
        row("memory per record: 1 KB text", "%.1f KB" % per_kb, "the text itself: 1.0 KB")
        per_mb = grow("Text", text(1024 * 1024), 40)
        row("memory per record: 1 MB text", "%.2f MB" % (per_mb / 1024), "the text itself: 1.00 MB")

        # Each kind as programs offer it; every picture a different one.
        for kind, size, ext, mime, count in (("1920x1080 PNG", "1920x1080", "png", "image/png", 20),
                                             ("3840x2160 PNG", "3840x2160", "png", "image/png", 10),
                                             ("1920x1080 JPEG", "1920x1080", "jpg", "image/jpeg", 20)):
            images = []
            for i in range(count):
                path = os.path.join(WORK, "shot-%s-%d.%s" % (size, i, ext))
                subprocess.run(["convert", "-size", size, "-seed", str(i), "plasma:fractal", "-blur", "0x6",
                                "-depth", "8", path], check=True)
                images.append(path)
            offered = statistics.mean(os.path.getsize(p) for p in images) / 1e6
            per_image = grow("Images", lambda i: (e.set_clipboard_file(images[i], mime), time.sleep(0.5)),
                             len(images))
            width, height = (int(n) for n in size.split("x"))
            row("memory per record: %s image" % kind,
                "%.2f MB (the offered bytes: %.2f MB on average)" % (per_image / 1024, offered),
                "decoded RGBA: %.2f MB" % (width * height * 4 / 1e6))
    finally:
        q.close()
        e.stop_clipboard_owners()


def bench_startup():
    folder = tempfile.mkdtemp(dir=WORK)
    exe = os.path.join(folder, "quillory")
    shutil.copy2(os.path.join(BUILD, "quillory"), exe)

    def start_to_map(command, window):
        start = time.perf_counter()
        process = subprocess.Popen(command, cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        search = ["xdotool", "search", "--all", "--onlyvisible"] + window
        while not subprocess.run(search, capture_output=True).stdout.strip():
            if time.perf_counter() - start > 30:
                raise AssertionError("no window from " + command[0])
            time.sleep(0.002)
        elapsed = time.perf_counter() - start
        process.kill()
        process.wait()
        return elapsed

    ours = [start_to_map([exe], ["--name", "^Quillory$"]) for _ in range(5)]
    xmessage = [start_to_map(["xmessage", "reference"], ["--class", "Xmessage"]) for _ in range(5)]
    row("start-up: process start to main window mapped, median of 5", "%.0f ms" % (1000 * statistics.median(ours)),
        "xmessage: %.0f ms" % (1000 * statistics.median(xmessage)))


def copyq_version():
    try:
        return run(["dpkg-query", "-W", "-f=${Version}", "copyq"]).strip()
    except (OSError, subprocess.CalledProcessError):
        return "(version unknown)"


def vm_kb(pid, field):
    with open("/proc/%d/status" % pid) as f:
        return int(re.search(field + r":\s+(\d+)", f.read()).group(1))


def read_all(target):
    """xclip's reading of the clipboard, counted as it streams; seconds and bytes."""
    start = time.perf_counter()
    reader = subprocess.Popen(["xclip", "-selection", "clipboard", "-o", "-t", target], stdout=subprocess.PIPE)
    size = 0
    while True:
        block = reader.stdout.read(1 << 20)
        if not block:
            break
        size += len(block)
    reader.wait()
    return time.perf_counter() - start, size


def bench_hostile_x():
    # An owner that sends INCR chunks for ever.
    q = program()
    try:
        before = vm_kb(q.process.pid, "VmHWM")
        start = time.perf_counter()
        owner = e.start_owner("UTF8_STRING=text:endless", endless_incr=True)
        line = owner.stdout.readline().split()
        given_up = time.perf_counter() - start - 1  # the owner reports after a second without a request
        owner.kill()
        alive = q.process.poll() is None and q.responds_within(1.0)
        row("owner sending INCR chunks for ever",
            "given up after %s MB in %.1f s; peak memory +%d MB; %s" %
            (int(line[1]) >> 20, given_up, (vm_kb(q.process.pid, "VmHWM") - before) >> 10,
             "still answering" if alive else "ended"),
            "the text limit: 512 MiB", "ends near the limit, survives")
    finally:
        q.close()
        e.stop_clipboard_owners()

    # Copy-back of 500 MB, each text form read by xclip.
    q = program()
    try:
        path = os.path.join(WORK, "large.txt")
        line = b"0123456789 abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ\n"
        with open(path, "wb") as f:
            f.write(line * (500 * 1000 * 1000 // len(line)))
        size = os.path.getsize(path)
        owner = e.start_owner("UTF8_STRING=file:" + path)
        e.wait_until(lambda: q.count("Text") == 1, timeout=300, what="the large text")
        owner.kill()
        # The reference: the same bytes piped from the page cache, the floor
        # of any transfer through a pipe (xclip serving them itself takes
        # minutes, in chunks of its own).
        ref_time = timed(["sh", "-c", "cat '%s' | cat > /dev/null" % path])
        q.press("Next >>")
        held_before = vm_kb(q.process.pid, "VmRSS")
        peak_before = vm_kb(q.process.pid, "VmHWM")
        label = q.find("label", prefix="Currently viewing", root=q.page("Text"))
        q.press("Copy to Clipboard")
        e.wait_until(lambda: b"TIMESTAMP" in e.get_clipboard("TARGETS"), what="the copy-back")
        times, longest = [], 0.0
        for form in ["UTF8_STRING", "text/plain;charset=utf-8", "text/plain", "STRING", "TEXT"]:
            result = {}
            reading = threading.Thread(target=lambda: result.update(got=read_all(form)))
            reading.start()
            while reading.is_alive():
                t = time.perf_counter()
                label.name
                longest = max(longest, time.perf_counter() - t)
                time.sleep(0.01)
            reading.join()
            assert result["got"][1] == size, form
            times.append(result["got"][0])
        held = vm_kb(q.process.pid, "VmRSS")
        row("copy-back of a 500 MB text, read by xclip in each of 5 text forms",
            "%.2f s per form (median); window's longest answer %.1f ms; peak memory +%d MB, held +%d MB" %
            (statistics.median(times), 1000 * longest, (vm_kb(q.process.pid, "VmHWM") - peak_before) >> 10,
             (held - held_before) >> 10),
            "the same bytes through a pipe (cat): %.2f s" % ref_time, "window answers < 100 ms")
        os.remove(path)
    finally:
        q.close()
        e.stop_clipboard_owners()


class _Holder:
    """What the test sessions ask of a test, for a benchmark."""

    def __init__(self):
        self.cleanups = []

    def addCleanup(self, function, *args):
        self.cleanups.append((function, args))

    def skipTest(self, why):
        raise RuntimeError(why)

    def close(self):
        for function, args in reversed(self.cleanups):
            function(*args)


def own_clock_latencies(q, copy, changes):
    """Change-to-record times by the program's own clock (its timing log),
    the copies HAND_PACE apart."""
    for i in range(1, changes + 1):
        copy(("change %d" % i).encode())
        e.wait_until(lambda: q.count("Text") == i, what="change %d" % i)
        time.sleep(HAND_PACE)
    with open(os.path.join(q.dir, "timing.log")) as f:
        return [int(line.split()[1]) / 1000.0 for line in f if line.startswith("text ")]


def bench_wayland_latency(repetitions=3):
    """X and sway interleaved, each repetition with a new program. On X the
    copies are xclip's, which answers from memory; on sway those of the
    tests' own owner, which answers from memory too, offering what wl-copy
    offers (five types, three of them kept), and then wl-copy's, which
    starts a process for every answer. Each copy is set and left as xclip
    sets them on X: a copy checked by reading it back (as the tests do)
    would have that read compete with the program's own."""
    from wayland_session import Sway
    changes = 200
    x_runs, wayland_runs, wl_copy_runs = [], [], []
    owner_helper = os.path.join(BUILD, "tests", "wayland_owner")
    os.environ["QUILLORY_TIMING_LOG"] = "timing.log"  # in the program's folder
    try:
        for _ in range(repetitions):
            q = program()
            try:
                x_runs.append(own_clock_latencies(q, lambda data: e.set_clipboard(data), changes))
            finally:
                q.close()
                e.stop_clipboard_owners()
            for runs in (wayland_runs, wl_copy_runs):
                holder = _Holder()
                try:
                    sway = Sway(holder)
                    editor = sway.run(["mousepad"])
                    holder.addCleanup(editor.kill)
                    e.wait_until(lambda: sway.has_window("mousepad"), timeout=20, what="the editor")
                    q = e.Quillory()
                    holder.addCleanup(q.close)
                    q.start(env=dict(sway.env, QUILLORY_TIMING_LOG="timing.log"))
                    time.sleep(0.5)

                    def wl_copy(data):
                        subprocess.run(["wl-copy"], env=sway.env, input=data, check=True, timeout=10,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

                    def own_owner(data):
                        owner = sway.owner(owner_helper, {mime: data for mime in (
                            "text/plain", "text/plain;charset=utf-8", "TEXT", "STRING", "UTF8_STRING")})
                        holder.addCleanup(owner.kill)  # each ends when the next copy is made
                    runs.append(own_clock_latencies(q, own_owner if runs is wayland_runs else wl_copy, changes))
                finally:
                    holder.close()
    finally:
        del os.environ["QUILLORY_TIMING_LOG"]

    def spread(runs, p):
        values = sorted(percentile(run, p) for run in runs)
        return "%.2f (%.2f-%.2f)" % (statistics.median(values), values[0], values[-1])

    row("change-to-record latency by the program's own clock, sway (data-control), %d copies by an owner "
        "answering from memory with wl-copy's types, median (min-max) of %d runs" % (changes, repetitions),
        "p50 %s ms, p99 %s ms" % (spread(wayland_runs, 50), spread(wayland_runs, 99)),
        "X path (Xvfb, xclip), runs between them: p50 %s ms, p99 %s ms; wl-copy's copies on sway (a process "
        "started for each form read): p50 %s ms, p99 %s ms" % (spread(x_runs, 50), spread(x_runs, 99),
                                                              spread(wl_copy_runs, 50), spread(wl_copy_runs, 99)),
        "within 1.5x of X")


def bench_rich_copy():
    """A copy as an office program or a browser gives it (html, rich text and
    a document beside the text) against a plain text, in the same run: the
    change-to-record time by the program's own clock, and its CPU per copy."""
    copies = 300
    html = os.path.join(WORK, "rich.html")
    rtf = os.path.join(WORK, "rich.rtf")
    document = os.path.join(WORK, "rich.odt")
    with open(html, "w") as f:
        f.write("<meta charset=utf-8><p>" + "<b>bold</b> <i>italic</i> <a href=x>a link</a> " * 80 + "</p>")
    with open(rtf, "w") as f:
        f.write("{\\rtf1\\ansi " + "{\\b bold} {\\i italic} " * 160 + "}")
    with open(document, "wb") as f:
        f.write(b"PK\x03\x04" + os.urandom(16 * 1024))  # a document as a zip: a few kilobytes that do not compress
    text = "x" * 1000 + " "

    def measure(forms):
        """The bench's owner (it answers at once) at 10 changes a second, as
        fast as somebody copies by hand and below a flood's pace;
        the record waited for by the program's timing log, so that nothing
        asks the window meanwhile."""
        os.environ["QUILLORY_TIMING_LOG"] = "timing.log"
        q = program()
        log = os.path.join(q.dir, "timing.log")
        command = [os.path.join(BUILD, "bench", "burst_owner"), str(copies), "10", text, "quiet"] + forms
        owner = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        try:
            assert owner.stdout.readline().strip() == "ready"
            e.wait_until(lambda: os.path.exists(log) and open(log).read().count("text ") >= 1, what="the start")
            start_cpu = cpu_seconds(q.process.pid)
            owner.stdin.write("go\n")
            owner.stdin.flush()
            e.wait_until(lambda: open(log).read().count("text ") >= copies + 1, timeout=60, interval=0.05,
                         what="every copy")
            cpu = (cpu_seconds(q.process.pid) - start_cpu) / copies
            with open(log) as f:
                times = [int(line.split()[1]) / 1000.0 for line in f if line.startswith("text ")][1:]
            return times, cpu
        finally:
            owner.kill()
            owner.wait()
            q.close()
            del os.environ["QUILLORY_TIMING_LOG"]

    plain, plain_cpu = measure([])
    rich, rich_cpu = measure(["text/html=" + html, "text/rtf=" + rtf,
                              "application/x-openoffice-embed-source-xml=" + document])
    row("rich copy (1 KB text with 4 KB html, 4 KB rtf, 16 KB document), %d copies, program's own clock" % copies,
        "p50 %.2f ms, p99 %.2f ms; CPU %.2f ms a copy" % (percentile(rich, 50), percentile(rich, 99),
                                                          1000 * rich_cpu),
        "plain 1 KB text, same run: p50 %.2f ms, p99 %.2f ms; CPU %.2f ms a copy" % (
            percentile(plain, 50), percentile(plain, 99), 1000 * plain_cpu), "within 2x")


def bench_peer():
    peer_table.append(peer_bench.run(BUILD, int(os.environ.get("PEER_REPETITIONS", "3"))))


def bench_day():
    day_table.append(day_bench.run(BUILD)[0])


def main():
    only = sys.argv[3:]  # names of benchmarks to run, all by default
    for bench in (bench_idle_and_latency, bench_missed, bench_hostile_x, bench_wayland_latency, bench_rich_copy,
                  bench_file_burst, bench_search, bench_copy, bench_save, bench_memory,
                  bench_startup, bench_peer, bench_day):
        if only and bench.__name__ not in only:
            continue
        try:
            bench()
        except Exception as error:  # one failing figure must not hide the others
            row(bench.__name__, "failed: %s" % error, "")
    shutil.rmtree(WORK, ignore_errors=True)
    cpu = run(["sh", "-c", "grep -m1 'model name' /proc/cpuinfo | cut -d: -f2"]).strip()
    with open(OUT, "w") as f:
        f.write("# Performance\n\nMeasured by `make bench` on %s (%d cores), %s, under Xvfb. Every reference\n"
                "was measured in the same run on the same machine.\n\n" % (cpu, os.cpu_count(),
                                                                          time.strftime("%Y-%m-%d")))
        f.write("| what | Quillory | reference | goal |\n|---|---|---|---|\n")
        for r in rows:
            f.write("| %s | %s | %s | %s |\n" % r)
        f.write("\nHow the figures are taken:\n\n"
                "- Latency: from the moment `xclip` owns the clipboard with a new text to the count label on the\n"
                "  window reading one more, polled over the accessibility bus (so it includes that bus's round trip).\n"
                "- Missed changes: a clipboard owner of the tests (tests/e2e/clip_owner.py) takes the clipboard\n"
                "  anew at the given rate with a new text each time; the count of text records afterwards.\n"
                "- Search: bench/search_bench.cpp, best of 10, beside memmem over the same bytes in one buffer and\n"
                "  `grep -F` over a file of about the same size in the page cache.\n"
                "- Window's answers: the count label read over the accessibility bus as fast as it answers, the\n"
                "  longest single read while the records arrive.\n"
                "- Rich copy: bench/burst_owner.cpp offering html, rtf and a document beside a 1 KB text, 30\n"
                "  changes a second, beside the same owner with the text alone; times from the program's timing\n"
                "  log, its CPU over the burst, with nothing asking the window meanwhile.\n"
                "- Memory: growth of the program's resident memory divided by the records added.\n"
                "- Start-up: from starting the process to its window being viewable, by polling xdotool.\n")
        if peer_table:
            f.write("\n## Beside CopyQ\n\n"
                    "CopyQ %s (Debian's package) and Quillory, measured in the same run on the same machine,\n"
                    "interleaved over %s repetitions, each program alone on the clipboard and from a fresh\n"
                    "settings folder; CopyQ keeps up to 10,000 items and has its tray off. Quillory is observed\n"
                    "through the accessibility tree (its count label), CopyQ through its command line\n"
                    "(`copyq count`, `copyq read 0`): the row \"observer's cost\" gives what one reading takes, and\n"
                    "it is part of every \"as observed\" latency. Start-up and the first clipboard read are seen by\n"
                    "the bench's clipboard owner (bench/burst_owner.cpp), which answers at once and notes when its\n"
                    "text is asked for; the bursts come from the same owner, each change held for the whole\n"
                    "period. Memory is summed over the program's processes (CopyQ's server and its clipboard\n"
                    "monitor). The ratio is CopyQ's median over Quillory's: for times, memory and CPU above 1\n"
                    "means Quillory takes less; for what was recorded, below 1 means CopyQ recorded less.\n\n"
                    % (copyq_version(), os.environ.get("PEER_REPETITIONS", "3")))
            f.write(peer_table[0])
        if day_table:
            f.write("\n## A day's copying, beside CopyQ\n\n"
                    "A heavy day compressed into minutes (bench/day_bench.py), fed to each program alone, from a\n"
                    "fresh settings folder, by the bench's own owner (bench/day_owner.cpp): each item is held until\n"
                    "the program has read it (at most a second), then 5 ms more. The parts come in order: texts,\n"
                    "images, file records; memory is taken once each part has settled. Quillory is driven through\n"
                    "the accessibility tree and timed by its own log where it says when a save is done; CopyQ\n"
                    "through its command line: `copyq read N` for \"Next >>\", `copyq exportData` for the save,\n"
                    "`copyq exit` for the exit; it has no command for a search. Its records added are what `copyq count`\n"
                    "says: far fewer than it read (and it keeps at most 10,000), so its memory holds less of the day.\n\n")
            f.write(day_table[0])


if __name__ == "__main__":
    main()
