#!/usr/bin/env python3
"""What a shardfall user waits for at start-up, against the fill's floors.

    bench/startup_bench.py [--runs N] [--build DIR]

Runs shardfall N times as a fresh job (benchjob --np 2 --frames 1 on a private display) and
reads the initialisation time it reports; runs fill_bench N times for the fill of a fresh
buffer, the C-library loop on a fresh buffer and a plain write of a fresh buffer. Prints the
median and the worst of each, and the two ratios that the fill is held to:

    C-library fill of a fresh buffer / shardfall's reported initialisation   (target >= 4.5)
    fill of a fresh buffer / plain write of a fresh buffer                   (target <= 2.5)

Exits 1 when a target is missed. Nothing else should run on the machine meanwhile.
"""

import argparse
import glob
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)


def shardfall_initialisation(build, directory):
    """The initialisation time of rank 1 of one fresh two-process job."""
    env = dict(os.environ, BENCH_BUILD_DIR=build)
    job = subprocess.run([os.path.join(REPO, "scripts", "benchjob"), "--np", "2", "--frames", "1",
                          "--display", "virtual", "--outdir", directory, "shardfall"],
                         env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                         timeout=600)
    if job.returncode != 0:
        raise RuntimeError(f"benchjob failed ({job.returncode}):\n{job.stderr}")
    (results,) = glob.glob(os.path.join(directory, "results_shardfall_* @ 1 of *"))
    with open(results, errors="replace") as f:
        for line in f:
            match = re.fullmatch(r"Window 1@ \S+ spent: (\S+) Secs to Initialize\.\n", line)
            if match:
                return float(match[1])
    raise RuntimeError(f"no initialisation line in {results}")


def fill_times(build, path):
    """{benchmark name: seconds} of one fill_bench process, fresh-buffer cases only."""
    names = f"^(fill/{path}/fresh|cLibrary/fresh|plainWrite/fresh)/"
    result = subprocess.run([os.path.join(build, "bench", "fill_bench"),
                             f"--benchmark_filter={names}", "--benchmark_min_time=0",
                             "--benchmark_format=json"],
                            check=True, capture_output=True, text=True, timeout=600)
    times = {}
    for entry in json.loads(result.stdout)["benchmarks"]:
        times[entry["name"].removesuffix("/manual_time")] = entry["real_time"] / 1000.0
    return times


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--build", default=os.path.join(REPO, "build"))
    args = parser.parse_args(argv)
    build = os.path.abspath(args.build)
    workload = subprocess.run([os.path.join(build, "shardfall", "shardfall-workload")],
                              check=True, capture_output=True, text=True).stdout
    path = re.search(r"^fill_path (\S+)$", workload, re.M)[1]

    samples = {"shardfall initialisation": []}
    with tempfile.TemporaryDirectory() as scratch:
        for run in range(args.runs):
            samples["shardfall initialisation"].append(
                shardfall_initialisation(build, os.path.join(scratch, f"job{run}")))
            for name, seconds in fill_times(build, path).items():
                samples.setdefault(name, []).append(seconds)

    median = {name: statistics.median(values) for name, values in samples.items()}
    print(f"fill path {path}, {args.runs} fresh processes each")
    for name, values in samples.items():
        print(f"  {name:28} median {median[name]:.3f} s   worst {max(values):.3f} s")
    init_ratio = median["cLibrary/fresh"] / median["shardfall initialisation"]
    cold_ratio = median[f"fill/{path}/fresh"] / median["plainWrite/fresh"]
    print(f"  C-library fill / initialisation  {init_ratio:.2f}x   (target >= 4.5, aim 6)")
    print(f"  fill / plain write               {cold_ratio:.2f}x   (target <= 2.5)")
    return 0 if init_ratio >= 4.5 and cold_ratio <= 2.5 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
