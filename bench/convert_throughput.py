#!/usr/bin/env python3
"""Throughput of korvel-convert in all four modes against cat of the same
input (the floor) and ICU's uconv, in one run, on 10 MB and 100 MB of
Russian prose and of its Czech-style Latin transcription.

    python3 bench/convert_throughput.py [path/to/korvel-convert] [--sizes 10,100] [--runs 5]

Every command reads the file on standard input and writes to a pipe that
this script reads to the end, as a program consuming the output would. Prints
a Markdown table: median wall time (after one warm-up run), MB/s of input,
the ratio to cat of the same input, and peak resident memory.
"""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
MODES = ("--to-latin", "--to-cyrillic", "--keyboard", "--to-keys")
UCONV = ["uconv", "-f", "utf-8", "-t", "utf-8", "-x", "Russian-Latin/BGN"]

PROSE = [
    "Утром над рекой стоял густой туман, и лодки рыбаков едва виднелись у берега.",
    "Старый мельник вышел на крыльцо, посмотрел на небо и сказал, что к обеду прояснится.",
    "Дети бежали в школу через поле, где ещё блестела роса на высокой траве.",
    "В деревне пахло свежим хлебом, и щенок у калитки лаял на каждого прохожего.",
    "Вечером все собрались у самовара, пили чай с вареньем и слушали длинные истории.",
    "Съешь же ещё этих мягких французских булок, да выпей чаю.",
    "Южные ёжики шуршали в листве, а филин ухал до самого рассвета.",
]


def make_russian(path, size):
    lines, total, i = [], 0, 0
    while total < size:
        line = f"{i + 1}. {PROSE[i % len(PROSE)]}\n"
        lines.append(line)
        total += len(line.encode())
        i += 1
    path.write_bytes("".join(lines).encode()[:size].rsplit(b"\n", 1)[0] + b"\n")


READ_BUFFER = bytearray(1 << 20)  # one buffer for every read: the reader allocates nothing


def run_once(command, source):
    """Wall time of one run, its output read through a pipe."""
    with open(source, "rb") as stdin:
        start = time.perf_counter()
        process = subprocess.Popen(command, stdin=stdin, stdout=subprocess.PIPE)
        descriptor = process.stdout.fileno()
        while os.readv(descriptor, [READ_BUFFER]):
            pass
        process.wait()
        elapsed = time.perf_counter() - start
        process.stdout.close()
    if process.returncode != 0:
        raise SystemExit(f"{command[0]} failed with {process.returncode}")
    return elapsed


def peak_memory_kib(command, source):
    """Peak resident set of one run, as GNU time reports it (the program's own, not this script's)."""
    if not shutil.which("/usr/bin/time"):
        return None
    with open(source, "rb") as stdin:
        result = subprocess.run(["/usr/bin/time", "-f", "%M", *command], stdin=stdin, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, check=True, text=True)
    return int(result.stderr.strip().splitlines()[-1])


def measure_interleaved(commands, source, runs):
    """Median seconds per command; the commands take turns, so drift on the machine touches all alike."""
    for command in commands:
        run_once(command, source)  # warm-up
    times = [[] for _ in commands]
    for _ in range(runs):
        for i, command in enumerate(commands):
            times[i].append(run_once(command, source))
    return [statistics.median(t) for t in times]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tool", nargs="?", default=str(ROOT / "build/native/bin/korvel-convert"))
    parser.add_argument("--sizes", default="10,100", help="input sizes in MB, comma-separated")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    tool = args.tool
    have_uconv = shutil.which("uconv") is not None

    rows = []
    with tempfile.TemporaryDirectory() as folder:
        for megabytes in (int(s) for s in args.sizes.split(",")):
            russian = Path(folder) / f"russian-{megabytes}mb.txt"
            make_russian(russian, megabytes * 1000 * 1000)
            latin = Path(folder) / f"latin-{megabytes}mb.txt"
            with open(russian, "rb") as stdin, open(latin, "wb") as stdout:
                subprocess.run([tool, "--to-latin"], stdin=stdin, stdout=stdout, check=True)
            for text, source in (("Russian", russian), ("Latin", latin)):
                size = source.stat().st_size / 1e6
                commands = [("cat (floor)", ["cat"])]
                commands += [(f"korvel-convert {mode}", [tool, mode]) for mode in MODES]
                if have_uconv and text == "Russian":
                    commands.append(("uconv -x Russian-Latin/BGN", UCONV))
                seconds = measure_interleaved([command for _, command in commands], source, args.runs)
                for (name, command), median in zip(commands, seconds):
                    memory = peak_memory_kib(command, source)
                    rows.append((f"{megabytes} MB", text, size, name, median, seconds[0], memory))

    print(f"Median of {args.runs} rounds after a warm-up (the commands take turns), output read through a pipe, "
          f"{os.cpu_count()} cores.\n")
    print("| input | text | command | median time | throughput | against cat | peak memory |")
    print("|---|---|---|---:|---:|---:|---:|")
    for size_name, text, size, name, seconds, floor, memory in rows:
        shown = f"{memory / 1024:.1f} MiB" if memory else "n/a"
        print(f"| {size_name} | {text} | `{name}` | {seconds * 1000:.1f} ms | {size / seconds:.0f} MB/s "
              f"| {seconds / floor:.2f} | {shown} |")

    print()
    for size_name in dict.fromkeys(r[0] for r in rows):
        korvel = [r for r in rows if r[0] == size_name and r[3].startswith("korvel-convert")]
        worst = max(korvel, key=lambda r: r[4] / r[5])
        print(f"- {size_name}: the slowest mode against cat is `{worst[3]}` on {worst[1]} text, "
              f"{worst[4] / worst[5]:.2f} times (goal: at most 3).")
        uconv = [r for r in rows if r[0] == size_name and r[3].startswith("uconv")]
        to_latin = [r for r in korvel if r[1] == "Russian" and r[3].endswith("--to-latin")]
        if uconv and to_latin:
            print(f"- {size_name}: `korvel-convert --to-latin` is {uconv[0][4] / to_latin[0][4]:.1f} times as fast "
                  f"as uconv on the same Russian text (goal: at least 10).")
    peaks = [r[6] for r in rows if r[3].startswith("korvel-convert") and r[6]]
    if peaks:
        print(f"- Peak resident memory of korvel-convert in any run: {max(peaks) / 1024:.1f} MiB (goal: under 64 MiB).")


if __name__ == "__main__":
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
    main()
