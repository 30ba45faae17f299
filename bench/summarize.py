#!/usr/bin/env python3
"""Turns the JSON output of medora_store_bench or medora_desks_bench (best run with repetitions)
or medora_audit_bench into the tables of README.md. Store: per operation the median call in microseconds at both
clinic sizes against its floor, and the growth from the small clinic to the large one, on the
records file and on the server. Desks: per operation its rate and its 99th percentile. Audit
trail: per operation the median call with the trail and without it, the large trail's check and
report, and the bytes of an entry."""
import json
import sys


def medians(runs):
    # Without repetitions there is only the one run of each benchmark. In the order the program
    # lists them, whatever order they ran in.
    kept = [run for run in runs
            if run.get("run_type") != "aggregate" or run.get("aggregate_name") == "median"]
    return sorted(kept, key=lambda run: (run["family_index"], run["per_family_instance_index"]))


def table(rows):
    print("| operation | 1,000 | floor | x floor | 100,000 | floor | x floor | large / small |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|")
    for name, (s, sf, l, lf) in rows:
        print(f"| {name} | {s:.0f} | {sf:.0f} | {s / sf:.2f} | {l:.0f} | {lf:.0f}"
              f" | {l / lf:.2f} | {l / s:.2f} |")


def store(runs):
    rows = {"Records file": [], "Server": []}
    for run in runs:
        name = run["run_name"].split("/")[0]
        engine = "Server" if name.startswith("server:") else "Records file"
        rows[engine].append((name.removeprefix("server:"),
                             (run["store_1000"], run["floor_1000"],
                              run["store_100000"], run["floor_100000"])))
    for engine, engine_rows in rows.items():
        if engine_rows:
            print(f"{engine}:\n")
            table(engine_rows)
            print()


def desks(run):
    print(f"{run['operations per s']:.0f} operations per second, {run['failed']:.0f} failed,"
          f" {run['refused']:.0f} refused\n")
    print("| operation | per second | 99th percentile (ms) |")
    print("|---|---:|---:|")
    for key in sorted(run):
        if key.endswith(" p99 ms"):
            name = key[:-len(" p99 ms")]
            print(f"| {name} | {run[name + ' per s']:.0f} | {run[key]:.1f} |")


def audit(runs):
    print("| operation | file, trail | without | x | server, trail | without | x |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    sides = {}
    for run in runs:
        name = run["run_name"].split("/")[0]
        engine, operation = name.split(": ", 1)
        if "x_without" in run:
            sides.setdefault(operation, {})[engine] = run
    for operation, by_engine in sides.items():
        cells = []
        for engine in ("file", "server"):
            run = by_engine.get(engine)
            cells += ([f"{run['trail_us']:.0f}", f"{run['without_us']:.0f}",
                       f"{run['x_without']:.2f}"] if run else ["", "", ""])
        print(f"| {operation} | " + " | ".join(cells) + " |")
    print()
    for run in runs:
        if "x_without" not in run:
            figures = {k: v for k, v in run.items() if isinstance(v, float) and k not in (
                "real_time", "cpu_time", "iterations", "repetitions")}
            print(f"{run['run_name']}: {run['real_time']:.1f} {run['time_unit']}")
            for key, value in figures.items():
                print(f"    {key}: {value:.0f}")


def main(path):
    with open(path) as f:
        runs = medians(json.load(f)["benchmarks"])
    if any("x_without" in run for run in runs):
        audit(runs)
    elif runs and runs[0]["run_name"].startswith("desks"):
        for run in runs:
            desks(run)
    else:
        store(runs)


if __name__ == "__main__":
    main(sys.argv[1])
