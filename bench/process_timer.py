"""Whole-process timing for the comparison benchmarks: median wall time and
peak resident memory of a command over several runs."""
import os
import statistics
import subprocess
import time


def measure(command, runs, prepare=None):
    """Runs command `runs` times (calling prepare() before each run); returns the
    median wall time in seconds and the largest peak resident set in KiB."""
    times, peaks = [], []
    for _ in range(runs):
        if prepare:
            prepare()
        start = time.perf_counter()
        process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(process.pid, 0)
        times.append(time.perf_counter() - start)
        peaks.append(usage.ru_maxrss)
        if status != 0:
            raise SystemExit(f"failed: {' '.join(command)}: {process.stderr.read().decode()}")
    return statistics.median(times), max(peaks)
