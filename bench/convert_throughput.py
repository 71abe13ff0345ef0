#!/usr/bin/env python3
"""Throughput of korvel-convert --to-latin against ICU's uconv transliterating
the same 10 MB Russian text, with cat of the file as the floor, in one run.

    python3 bench/convert_throughput.py [path/to/korvel-convert]

Prints a Markdown table: median wall time of 5 runs each (after one warm-up
run), MB/s, and the ratios the goals name.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

TOOL = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[1] / "build/native/bin/korvel-convert")
RUNS = 5
SIZE = 10 * 1000 * 1000

PROSE = [
    "Утром над рекой стоял густой туман, и лодки рыбаков едва виднелись у берега.",
    "Старый мельник вышел на крыльцо, посмотрел на небо и сказал, что к обеду прояснится.",
    "Дети бежали в школу через поле, где ещё блестела роса на высокой траве.",
    "В деревне пахло свежим хлебом, и щенок у калитки лаял на каждого прохожего.",
    "Вечером все собрались у самовара, пили чай с вареньем и слушали длинные истории.",
    "Съешь же ещё этих мягких французских булок, да выпей чаю.",
    "Южные ёжики шуршали в листве, а филин ухал до самого рассвета.",
]


def make_text(folder):
    path = Path(folder) / "russian-10mb.txt"
    lines, size, i = [], 0, 0
    while size < SIZE:
        line = f"{i + 1}. {PROSE[i % len(PROSE)]}\n"
        lines.append(line)
        size += len(line.encode())
        i += 1
    path.write_bytes("".join(lines).encode()[:SIZE].rsplit(b"\n", 1)[0] + b"\n")
    return path


def median_seconds(command, source):
    times = []
    for run in range(RUNS + 1):
        with open(source, "rb") as stdin:
            start = time.perf_counter()
            subprocess.run(command, stdin=stdin, stdout=subprocess.DEVNULL, check=True)
            elapsed = time.perf_counter() - start
        if run > 0:
            times.append(elapsed)
    return statistics.median(times)


def main():
    with tempfile.TemporaryDirectory() as folder:
        source = make_text(folder)
        megabytes = source.stat().st_size / 1e6
        rows = [
            ("cat (floor)", ["cat"]),
            ("korvel-convert --to-latin", [str(TOOL), "--to-latin"]),
            ("uconv -x Russian-Latin/BGN", ["uconv", "-f", "utf-8", "-t", "utf-8", "-x", "Russian-Latin/BGN"]),
        ]
        seconds = {name: median_seconds(command, source) for name, command in rows}
    print(f"Input: {megabytes:.1f} MB of Russian prose in lines (UTF-8), median of {RUNS} runs, {os.cpu_count()} cores.\n")
    print("| command | median time | throughput |")
    print("|---|---:|---:|")
    for name, _ in rows:
        print(f"| `{name}` | {seconds[name] * 1000:.1f} ms | {megabytes / seconds[name]:.0f} MB/s |")
    korvel = seconds["korvel-convert --to-latin"]
    print()
    print(f"- korvel-convert is {seconds['uconv -x Russian-Latin/BGN'] / korvel:.1f} times as fast as uconv (goal: at least 5).")
    print(f"- korvel-convert takes {korvel / seconds['cat (floor)']:.1f} times as long as cat (goal: at most 3).")


if __name__ == "__main__":
    main()
