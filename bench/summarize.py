#!/usr/bin/env python3
"""Turns the JSON output of medora_store_bench (best run with repetitions) into the table of
README.md: per operation the median call in microseconds at both clinic sizes, against the
bare-sqlite floor, and the growth from the small clinic to the large one."""
import json
import sys


def main(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    print("| operation | 1,000 | floor | x floor | 100,000 | floor | x floor | large / small |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|")
    for run in runs:
        # Without repetitions there is only the one run of each operation.
        if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
            continue
        s, sf = run["store_1000"], run["floor_1000"]
        l, lf = run["store_100000"], run["floor_100000"]
        print(f"| {run['run_name'].split('/')[0]} | {s:.0f} | {sf:.0f} | {s / sf:.2f} | {l:.0f} | {lf:.0f}"
              f" | {l / lf:.2f} | {l / s:.2f} |")


if __name__ == "__main__":
    main(sys.argv[1])
