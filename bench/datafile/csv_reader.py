#!/usr/bin/python3
"""The same work as kelmo's reader, with Python's csv module: split a data file into runs,
read each line's date-time number and six values, and summarise every run (lines, median
step, gaps over 1.5 steps, min/max/mean/last of each quantity). Prints the time taken."""
import csv
import math
import statistics
import sys
import time

MARKER = "Начинаю сбор данных: "
SPECIAL = {"??????": None, "INF": math.inf, "-INF": -math.inf, "NAN": math.nan, "-NAN": math.nan}


def number(text):
    if text in SPECIAL:
        return SPECIAL[text]
    return float(text.replace(",", "."))


def summarise(path):
    runs = []
    run = None
    malformed = 0
    with open(path, encoding="cp1251", newline="") as f:
        for row in csv.reader(f, delimiter=" "):
            if row and row[0].startswith(MARKER.split(" ")[0]) and " ".join(row).startswith(MARKER):
                run = {"lines": 0, "steps": [], "last_t": None, "stats": [[math.inf, -math.inf, 0.0, 0, None] for _ in range(6)]}
                runs.append(run)
                continue
            fields = [x for x in row if x]
            try:
                if run is None or len(fields) != 8:
                    raise ValueError
                t = number(fields[1])
                values = [number(x) for x in fields[2:]]
            except ValueError:
                malformed += 1
                continue
            if run["last_t"] is not None:
                run["steps"].append((t - run["last_t"]) * 86400)
            run["last_t"] = t
            run["lines"] += 1
            for s, v in zip(run["stats"], values):
                s[4] = v
                if v is not None and math.isfinite(v):
                    s[0] = min(s[0], v)
                    s[1] = max(s[1], v)
                    s[2] += v
                    s[3] += 1
    for run in runs:
        period = statistics.median(run["steps"]) if run["steps"] else 0
        run["gaps"] = sum(1 for s in run["steps"] if s > 1.5 * period)
        run["period"] = period
    return runs, malformed


if __name__ == "__main__":
    t0 = time.perf_counter()
    runs, malformed = summarise(sys.argv[1])
    seconds = time.perf_counter() - t0
    lines = sum(r["lines"] for r in runs)
    print(f"python csv: {len(runs)} run(s), {lines} lines, {malformed} malformed, "
          f"{seconds:.3f} s, {lines / seconds / 1e6:.2f} M lines/s, "
          f"gaps {[r['gaps'] for r in runs]}, period {[round(r['period'], 4) for r in runs]} s")
    print(f"seconds={seconds:.3f}")
