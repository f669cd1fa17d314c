"""Whole-process timing for the comparison benchmarks: median wall time and
peak resident memory of a command over several runs.

The peak comes from GNU time when it is installed: a child of this Python
process would otherwise report Python's own resident set (the kernel carries
the larger of the two across exec), which hides anything smaller."""
import os
import statistics
import subprocess
import tempfile
import time

GNU_TIME = "/usr/bin/time"


def measure(command, runs, prepare=None, cpu=None):
    """Runs command `runs` times (calling prepare() before each run); returns the
    median wall time in seconds and the largest peak resident set in KiB. When
    cpu is a list, each run's processor time (user and system, the command's
    children included) is appended to it: on a shared machine it varies less
    than the wall time."""
    times, peaks = [], []
    with tempfile.NamedTemporaryFile(mode="r", suffix=".rss") as rss:
        wrapped = [GNU_TIME, "-f", "%M", "-o", rss.name, *command] if os.path.exists(GNU_TIME) \
            else command
        for _ in range(runs):
            if prepare:
                prepare()
            start = time.perf_counter()
            process = subprocess.Popen(wrapped, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            _, status, usage = os.wait4(process.pid, 0)
            times.append(time.perf_counter() - start)
            if cpu is not None:
                cpu.append(usage.ru_utime + usage.ru_stime)
            if status != 0:
                raise SystemExit(f"failed: {' '.join(command)}: {process.stderr.read().decode()}")
            if wrapped is command:
                peaks.append(usage.ru_maxrss)
            else:
                rss.seek(0)
                peaks.append(int(rss.read().split()[-1]))
    return statistics.median(times), max(peaks)
