#!/usr/bin/env python3
"""Start-up cost of the command line, as a ratio against a reference build in the same run.

startup.py NEW_PROGRAM REFERENCE_PROGRAM PHOTO [ROUNDS]

Runs `--version` and a one-file run (PHOTO into a fresh folder, default options, one job)
for both programs, interleaved round by round, and prints the median wall time of each and
the ratio new/reference. The one-file run of the new program also passes flags that restate
the defaults, so that reading them is part of what is measured.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def timed(args, cwd):
    start = time.perf_counter()
    subprocess.run(args, cwd=cwd, check=False, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    new, ref, photo = sys.argv[1:4]
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
        n = statistics.median(times[(case, "new")])
        r = statistics.median(times[(case, "ref")])
        print(f"{case:9s}  new {n * 1000:8.2f} ms  reference {r * 1000:8.2f} ms  ratio {n / r:.3f}")


if __name__ == "__main__":
    main()
