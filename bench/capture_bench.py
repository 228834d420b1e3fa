"""Measures the running program: idle CPU over 10 s, and the time from a
clipboard change made by another program (xclip) to the record showing in
the window's count label. Run under Xvfb and a D-Bus session:
  xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- \
      /usr/bin/python3 bench/capture_bench.py build/quillory
"""

import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import quillory_e2e as e  # noqa: E402

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS  # utime + stime


def idle_cpu(q, seconds=10.0):
    before, start = cpu_seconds(q.process.pid), time.monotonic()
    time.sleep(seconds)
    used, elapsed = cpu_seconds(q.process.pid) - before, time.monotonic() - start
    return 100.0 * used / elapsed


# Seconds between the copies of a latency row: faster, the program takes
# them as a flood and shows them once a second.
HAND_PACE = 0.1


def latencies(q, changes):
    label = q.find("label", prefix="You currently", root=q.page("Text"))
    found = []
    for i in range(1, changes + 1):
        expected = "You currently have %d items of text saved from the clipboard" % i
        e.set_clipboard("change %d" % i)
        start = time.perf_counter()
        while label.name != expected:
            if time.perf_counter() - start > 5:
                raise AssertionError("change %d not recorded" % i)
        found.append(1000.0 * (time.perf_counter() - start))
        time.sleep(HAND_PACE)
    return found


def percentile(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(round(p / 100.0 * (len(values) - 1))))]


def main():
    e.EXECUTABLE = os.path.abspath(sys.argv[1])
    changes = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    e.stop_clipboard_owners()
    q = e.Quillory()
    try:
        q.start()
        time.sleep(1.0)
        idle = idle_cpu(q)
        lat = latencies(q, changes)
        print("idle CPU over 10 s: %.3f%% of one core" % idle)
        print("capture latency over %d changes: p50 %.1f ms, p99 %.1f ms, max %.1f ms, mean %.1f ms"
              % (changes, percentile(lat, 50), percentile(lat, 99), max(lat), statistics.mean(lat)))
    finally:
        q.close()
        e.stop_clipboard_owners()


if __name__ == "__main__":
    main()
