"""A heavy day of copying compressed into minutes, fed to Quillory and to
CopyQ in the same run by the bench's own owner (bench/day_owner.cpp) at a
steady pace: 10,000 distinct texts of 10 B to 5 MB, 1,000 rich copies (a
text with html and CRLF text/plain beside it, as a browser gives it, or with
rtf, html and a document zip, as an office program does), 300 images
(full-HD and 4K PNG, full-HD JPEG), 1,000 lists of copied files. Memory after each
part, then with everything loaded: "Next >>" on the text and image pages,
a search over every text, Save Everything!, and the exit. Run by
run_bench.py; alone:

  xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- \\
      /usr/bin/python3 bench/day_bench.py build

QUILLORY_DAY_SCALE (default 1) scales the counts, for a quick try.
"""

import base64
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from concurrent.futures import ThreadPoolExecutor

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import peer_bench as p  # noqa: E402
from peer_bench import e  # noqa: E402

SCALE = float(os.environ.get("QUILLORY_DAY_SCALE", "1"))
TEXTS, LARGE_TEXTS = int(10000 * SCALE), max(1, int(10 * SCALE))
RICH = int(1000 * SCALE)
FULL_HD_PNGS, UHD_PNGS, JPEGS = int(100 * SCALE), int(20 * SCALE), int(180 * SCALE)
FILE_RECORDS, FILE_BYTES = int(1000 * SCALE), int(2.9e9 * SCALE)
NEEDLE = "needle-of-the-day"
GAP_MS = 5  # after each item is read: a steady pace both programs keep
# For trying a change: QUILLORY_DAY_ONLY=memory stops after the memory rows,
# =Quillory leaves CopyQ out, =memory,Quillory both.
ONLY = os.environ.get("QUILLORY_DAY_ONLY", "").split(",")
MEMORY_ONLY = "memory" in ONLY


# --- the day -----------------------------------------------------------------

class Day:
    """Every item of the day on disk, and the plans that feed them."""

    def __init__(self, folder):
        self.folder = folder
        self.rng = random.Random(20261209)
        self.text_bytes = self.make_texts()
        self.rich_bytes = self.make_rich()
        self.image_bytes = {}
        self.make_images()
        self.file_bytes = self.make_files()
        self.content = self.text_bytes + self.rich_bytes + sum(total for _, total in self.image_bytes.values())

    def plan(self, name, items):
        path = os.path.join(self.folder, name + ".plan")
        with open(path, "w") as f:
            f.writelines("%s %s\n" % item for item in items)
        return path

    def make_texts(self):
        folder = os.path.join(self.folder, "texts")
        os.makedirs(folder)
        # Most texts are short, a few are whole documents: log-uniform from
        # 10 B to 100 KB, and the large ones from 1 MB to 5 MB.
        sizes = [int(10 * 10 ** (4 * self.rng.random())) for _ in range(TEXTS - LARGE_TEXTS)]
        sizes += [int(1e6 + 4e6 * self.rng.random()) for _ in range(LARGE_TEXTS)]
        self.rng.shuffle(sizes)
        items, total = [], 0
        for n, size in enumerate(sizes):
            head = "%d %s " % (n, NEEDLE if n % 500 == 0 else "text")
            body = base64.encodebytes(os.urandom(size * 3 // 4 + 3)).decode()  # in lines, as texts are
            text = (head + body)[:max(size, len(head))]
            path = os.path.join(folder, "%d.txt" % n)
            with open(path, "w") as f:
                f.write(text)
            items.append(("text", path))
            total += len(text)
        self.texts_plan = self.plan("texts", items)
        return total

    def make_rich(self):
        """What was delivered is the sum of a copy's distinct forms."""
        folder = os.path.join(self.folder, "rich")
        os.makedirs(folder)
        items, total = [], 0
        for n in range(RICH):
            size = int(100 * 10 ** (2.7 * self.rng.random()))  # 100 B to 50 KB
            words = base64.encodebytes(os.urandom(size * 3 // 4 + 3)).decode()[:size]
            text = "%d rich %s" % (n, words)
            escaped = text.replace("&", "&amp;").replace("<", "&lt;")
            paragraphs = escaped.split("\n")
            if n % 10 < 7:  # a browser's
                forms = [("UTF8_STRING", text.encode()),
                         ("text/html", ("<meta charset=\"utf-8\"><p>" + "</p><p><b>".join(paragraphs) +
                                        "</b></p>").encode()),
                         ("text/_moz_htmlcontext", b"<html><body><div class=\"content\">"),
                         ("text/plain", text.replace("\n", "\r\n").encode())]
            else:  # an office program's
                rtf = "{\\rtf1\\ansi {\\b " + "}\\par\n{\\b ".join(paragraphs) + "}}"
                forms = [("application/vnd.oasis.opendocument.text", os.urandom(6000 + size // 3)),
                         ("text/rtf", rtf.encode()),
                         ("text/html", ("<html><body><p>" + "</p><p>".join(paragraphs) + "</p>").encode()),
                         ("UTF8_STRING", text.encode())]
            lines = []
            for k, (target, data) in enumerate(forms):
                path = os.path.join(folder, "%d-%d" % (n, k))
                with open(path, "wb") as f:
                    f.write(data)
                lines.append("%s %s\n" % (target, path))
            total += sum(len(data) for data in {data for _, data in forms})  # the same bytes are held once
            manifest = os.path.join(folder, "%d.forms" % n)
            with open(manifest, "w") as f:
                f.writelines(lines)
            items.append(("forms", manifest))
        self.rich_plan = self.plan("rich", items)
        return total

    def make_images(self):
        folder = os.path.join(self.folder, "images")
        os.makedirs(folder)
        jobs = []  # (path, size, format); each is a different picture
        for kind, count, size, ext in (("full-HD PNG", FULL_HD_PNGS, "1920x1080", "png"),
                                       ("4K PNG", UHD_PNGS, "3840x2160", "png"),
                                       ("full-HD JPEG", JPEGS, "1920x1080", "jpg")):
            for n in range(count):
                jobs.append((kind, os.path.join(folder, "%s-%d.%s" % (kind.replace(" ", "-"), n, ext)), size, n))

        def make(job):
            kind, path, size, n = job
            subprocess.run(["convert", "-size", size, "-seed", str(1000 + n), "plasma:fractal", "-blur", "0x2",
                            "-depth", "8", path], check=True)
            return kind, path

        with ThreadPoolExecutor(os.cpu_count() or 2) as pool:
            made = list(pool.map(make, jobs))
        self.rng.shuffle(made)
        items = []
        for kind, path in made:
            size = os.path.getsize(path)
            count, total = self.image_bytes.get(kind, (0, 0))
            self.image_bytes[kind] = (count + 1, total + size)
            items.append(("image/png" if path.endswith(".png") else "image/jpeg", path))
        self.images_plan = self.plan("images", items)

    def make_files(self):
        folder = os.path.join(self.folder, "files")
        os.makedirs(folder)
        items, total = [], 0
        per_record = FILE_BYTES // max(1, FILE_RECORDS)
        for n in range(FILE_RECORDS):
            names = []
            parts = self.rng.randint(1, 3)
            for k in range(parts):
                path = os.path.join(folder, "report %d-%d.dat" % (n, k))
                with open(path, "wb") as f:
                    f.write(os.urandom(per_record // parts))
                names.append(path)
                total += per_record // parts
            uris = os.path.join(folder, "%d.uris" % n)
            with open(uris, "w") as f:
                f.write(e.uri_list(names))
            items.append(("files", uris))
        self.files_plan = self.plan("files", items)
        return total


# --- feeding and measuring ----------------------------------------------------

def feed(build, plan):
    """Every item of the plan, each once read; returns (seconds, unread)."""
    owner = subprocess.Popen([os.path.join(build, "bench", "day_owner"), plan, str(GAP_MS)],
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        assert owner.stdout.readline().strip() == "ready"
        owner.stdin.write("go\n")
        owner.stdin.flush()
        done = owner.stdout.readline().split()
        return float(done[1]), int(done[2])
    finally:
        owner.kill()
        owner.wait()


def settle(program, count):
    """Waits until the program's count stops changing."""
    last, since = count(), time.monotonic()
    while time.monotonic() - since < 2.0:
        time.sleep(0.2)
        now = count()
        if now != last:
            last, since = now, time.monotonic()
    return last


def timed(action, done, timeout=60):
    start = time.perf_counter()
    action()
    e.wait_until(done, timeout=timeout, interval=0.001, what="the answer")
    return 1000 * (time.perf_counter() - start)


def quillory_browse(run, page, presses=20):
    q = run.q
    button = q.find("push button", "Next >>", root=q.page(page))
    label = q.find("label", prefix="Currently viewing", root=q.page(page))
    times = []
    for _ in range(min(presses, q.count(page))):  # from #0, which shows nothing; Next stops at the last
        before = label.name
        try:
            times.append(timed(lambda: button.queryAction().doAction(0), lambda: label.name != before))
        except AssertionError:
            raise AssertionError("no answer to Next on the %s page: %r, now %r, %d presses" % (
                page, before, q.label("Currently viewing", page), len(times)))
    return statistics.median(times), max(times)


def quillory_search(run):
    q = run.q
    times = []
    for _ in range(3):
        q.text_boxes()[1].queryEditableText().setTextContents(NEEDLE)

        def results():
            window = q.find("frame", "Search Results", root=q.app)
            label = window and q.find("label", prefix="Currently viewing", root=window)
            return label and label.name.startswith("Currently viewing #1 of")
        times.append(timed(lambda: q.click_button("Search"), results))
        subprocess.run(["wmctrl", "-c", "Search Results"], check=True, timeout=10)
        e.wait_until(lambda: not q.find("frame", "Search Results", root=q.app), timeout=10,
                     what="the results window closed")
    return statistics.median(times)


def quillory_save(run):
    with open(run.log) as f:
        before = f.read().count("\nsave ")
    run.q.key("ctrl+s")

    def finished():
        with open(run.log) as f:
            lines = [line for line in f.read().split("\n") if line.startswith("save ")]
        return lines[-1] if len(lines) > before else None
    line = e.wait_until(finished, timeout=600, interval=0.05, what="the save")
    return int(line.split()[1]) / 1000.0


def copyq_read(run, presses=20):
    times = []
    count = run.count()
    for n in range(presses):
        start = time.perf_counter()
        run.cli("read", str((n * 7919) % max(1, count)))
        times.append(1000 * (time.perf_counter() - start))
    return statistics.median(times), max(times)


def copyq_save(run, folder):
    """Its nearest command: every item exported to one file."""
    start = time.perf_counter()
    subprocess.run(["copyq", "exportData", os.path.join(folder, "copyq-export.cpq")], env=run.env,
                   capture_output=True, check=True, timeout=600)
    return 1000 * (time.perf_counter() - start)


def one_program(build, run, day, results):
    def put(row, value):
        results.setdefault(row, {}).setdefault(run.name, []).append(value)

    quillory = isinstance(run, p.QuilloryRun)
    run.start()
    try:
        time.sleep(2.0)
        start_rss, start_pss = p.memory_mb(run.pids())
        put("RSS at start (MB)", start_rss)
        put("PSS at start (MB)", start_pss)
        parts = [("texts", day.texts_plan, lambda: run.q.count("Text") if quillory else run.count()),
                 ("rich copies", day.rich_plan, lambda: run.q.count("Text") if quillory else run.count()),
                 ("images", day.images_plan, lambda: run.q.count("Images") if quillory else run.count()),
                 ("file records", day.files_plan, lambda: run.q.count("Files") if quillory else run.count())]
        for what, plan, count in parts:
            before = count()
            fed = sum(1 for _ in open(plan))
            seconds, unread = feed(build, plan)
            recorded = settle(run, count) - before
            rss, pss = p.memory_mb(run.pids())
            put("%d %s fed: seconds, each item held until read" % (fed, what), seconds)
            put("%d %s fed: items the program read" % (fed, what), fed - unread)
            counted = " (Quillory's count: the files in them)" if what == "file records" else ""
            put("%d %s fed: records added%s" % (fed, what, counted), recorded)
            put("RSS after the %s (MB)" % what, rss)
            put("PSS after the %s (MB)" % what, pss)
        put("RSS over start after the day (MB)", rss - start_rss)
        put("RSS over start after the day, beside the bytes of texts, rich copies and images fed (%)",
            100 * (rss - start_rss) * 2**20 / day.content)
        if MEMORY_ONLY:
            return
        if quillory:
            for page in ("Text", "Images"):
                median, longest = quillory_browse(run, page)
                put("\"Next >>\" on the %s page with everything loaded: median (ms)" % page, median)
                put("\"Next >>\" on the %s page with everything loaded: longest of 20 from #1 (ms)" % page, longest)
            put("search over every text, to its results window (ms)", quillory_search(run))
            put("Save Everything!, command to the last file written (ms)", quillory_save(run))
        else:
            median, longest = copyq_read(run)
            put("\"Next >>\" on the Text page with everything loaded: median (ms)", median)
            put("\"Next >>\" on the Text page with everything loaded: longest of 20 from #1 (ms)", longest)
            put("Save Everything!, command to the last file written (ms)", copyq_save(run, day.folder))
        start = time.perf_counter()
        if quillory:
            run.q.click_close_box()
            run.q.process.wait(timeout=120)
        else:
            run.cli("exit")
            run.process.wait(timeout=120)
        put("exit, from the close to the process gone (ms)", 1000 * (time.perf_counter() - start))
    finally:
        run.stop()


def table(results, day):
    lines = ["| what | Quillory | CopyQ | CopyQ / Quillory |", "|---|---|---|---|"]
    for row, by_program in results.items():
        ours, our_median = p.spread(by_program.get("Quillory", []))
        theirs, their_median = p.spread(by_program.get("CopyQ", []))
        ratio = "%.2f" % (their_median / our_median) if our_median and their_median is not None else ""
        lines.append("| %s | %s | %s | %s |" % (row, ours, theirs, ratio))
    content = day.content
    lines.append("")
    lines.append("The day's content: %d texts, %.1f MB; %d rich copies, %.1f MB in all their forms; %s; "
                 "%d file records, %.2f GB of files (%.1f MB of texts, rich copies and images in all)." % (
                     TEXTS, day.text_bytes / 1e6, RICH, day.rich_bytes / 1e6,
                     ", ".join("%d %s, %.1f MB" % (count, kind, total / 1e6)
                               for kind, (count, total) in day.image_bytes.items()),
                     FILE_RECORDS, day.file_bytes / 1e9, content / 1e6))
    return "\n".join(lines) + "\n", content


def run(build):
    build = os.path.abspath(build)
    e.EXECUTABLE = os.path.join(build, "quillory")
    work = tempfile.mkdtemp(prefix="day-bench-", dir="/var/tmp")
    results = {}
    manager = e.start_window_manager()  # for the close box
    try:
        day = Day(work)
        for make in (p.QuilloryRun,) if "Quillory" in ONLY else (p.QuilloryRun, p.CopyQRun):
            e.stop_clipboard_owners()
            program = make()
            try:
                one_program(build, program, day, results)
            finally:
                if isinstance(program, p.CopyQRun):
                    program.close()
            print("the day of %s done" % program.name, flush=True)
        return table(results, day)
    finally:
        e.stop_clipboard_owners()
        manager.kill()
        manager.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    print(run(sys.argv[1])[0])
