#!/usr/bin/env python3
"""Start-up cost of the command line, as a ratio against a reference build in the same run.

startup.py NEW_PROGRAM REFERENCE_PROGRAM PHOTO [ROUNDS]

Runs `--version` and a one-file run (PHOTO into a fresh folder, default options, one job)
for both programs, interleaved round by round, and prints the median wall time of each and
the ratio new/reference. The one-file run of the new program also passes flags that restate
the defaults, so that reading them is part of what is measured.
"""
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def timed(args, cwd):
    """Wall time and CPU time (user + system) of one run; on a loaded machine the CPU
    time is the steadier of the two."""
    start, start_cpu = time.perf_counter(), cpu()
    subprocess.run(args, cwd=cwd, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return time.perf_counter() - start, cpu() - start_cpu


def main():
    new, ref, photo = (os.path.abspath(a) for a in sys.argv[1:4])
    rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 30
    env_jobs = os.environ.get("BREVINE_JOBS")
    os.environ["BREVINE_JOBS"] = "1"
    work = tempfile.mkdtemp()
    shutil.copy(photo, os.path.join(work, "photo.jpg"))
    cases = {
        "version": {"new": [new, "--version"], "ref": [ref, "--version"]},
        "one file": {
            "new": [new, "-q", "92", "--sharpen=80", "--folder=Resized", "photo.jpg"],
            "ref": [ref, "photo.jpg"],
        },
    }
    times = {(c, w): [] for c in cases for w in ("new", "ref")}
    for _ in range(rounds):
        for case, runs in cases.items():
            for who in ("new", "ref") if _ % 2 == 0 else ("ref", "new"):
                shutil.rmtree(os.path.join(work, "Resized"), ignore_errors=True)
                times[(case, who)].append(timed(runs[who], work))
    shutil.rmtree(work)
    if env_jobs is None:
        del os.environ["BREVINE_JOBS"]
    for case in cases:
        for k, what in ((0, "wall"), (1, "cpu")):
            n = statistics.median(t[k] for t in times[(case, "new")])
            r = statistics.median(t[k] for t in times[(case, "ref")])
            print(f"{case:9s} {what:4s}  new {n * 1000:8.2f} ms  reference {r * 1000:8.2f} ms"
                  f"  ratio {n / r:.3f}")


if __name__ == "__main__":
    main()
