#!/usr/bin/env python3
"""Reads ostrel_string_bench's JSON output on stdin and prints, per format, the
time of Str_Snprintf over glibc's snprintf and of bsd_vsnprintf over glibc's
vsnprintf, both measured in the same run. With repetitions, each side counts
its fastest repetition: on a shared machine that is the least disturbed one.

  ostrel_string_bench --benchmark_repetitions=10 \
      --benchmark_enable_random_interleaving=true --benchmark_format=json | ratios.py
"""
import json
import sys


def main():
    report = json.load(sys.stdin)
    times = {}
    for bench in report["benchmarks"]:
        if bench.get("run_type") == "aggregate":
            continue
        name = bench.get("run_name", bench["name"]).replace(" ", "")
        case, impl = name[len("BM_Format/"):].rsplit("/", 1)
        key = (case, impl)
        times[key] = min(times.get(key, float("inf")), bench["real_time"])
    cases = sorted({c for c, _ in times}, key=lambda c: list(dict.fromkeys(c for c, _ in times)).index(c))
    print("| format | Str_Snprintf / snprintf | bsd_vsnprintf / vsnprintf |")
    print("|---|---|---|")
    for case in cases:
        a = times[(case, "Str_Snprintf")] / times[(case, "snprintf")]
        b = times[(case, "bsd_vsnprintf")] / times[(case, "vsnprintf")]
        print(f"| {case} | {a:.2f} | {b:.2f} |")


if __name__ == "__main__":
    main()
