#!/usr/bin/env python3
"""Throughput of korvel-convert in all four modes against cat of the same
input (the floor), a plain memory copy of its bytes (the machine's limit)
and ICU's uconv, in one run, on 10 MB and 100 MB of Russian prose and of its
Czech-style Latin transcription; each mode with the vector code of every
instruction set this processor runs (forced one at a time through
KORVEL_VECTOR_TARGETS) and without it (KORVEL_NO_VECTOR_CODE).

    python3 bench/convert_throughput.py [path/to/korvel-convert] [--sizes 10,100] [--runs 5]

Every command reads the file on standard input and writes to a pipe that
this script reads to the end, as a program consuming the output would. Prints
Markdown tables: median wall time (after one warm-up run), MB/s of input,
the ratio to cat of the same input, and peak resident memory; then each mode
against cat with each instruction set side by side.
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
# Highway's target bits, widest first; the ones the processor runs are measured.
TARGETS = (("AVX-512 VBMI2", 1 << 7), ("AVX-512", 1 << 8), ("AVX2", 1 << 9), ("SSE4", 1 << 11), ("SSSE3", 1 << 12))


def runnable_targets():
    """The instruction sets of TARGETS this processor has, as /proc/cpuinfo names them."""
    flags = set()
    try:
        for line in Path("/proc/cpuinfo").read_text().splitlines():
            if line.startswith("flags"):
                flags = set(line.split(":", 1)[1].split())
                break
    except OSError:
        pass
    needs = {"AVX-512 VBMI2": {"avx512f", "avx512vl", "avx512dq", "avx512bw", "avx512vbmi", "avx512_vbmi2",
                               "avx512_vnni", "avx512_bitalg", "vaes", "vpclmulqdq"},
             "AVX-512": {"avx512f", "avx512vl", "avx512dq", "avx512bw"}, "AVX2": {"avx2", "bmi2", "fma"},
             "SSE4": {"sse4_2", "aes", "pclmulqdq"}, "SSSE3": {"ssse3"}}
    return [(name, bits) for name, bits in TARGETS if needs[name] <= flags]


def memory_copy_seconds(source, runs):
    """Median time of a plain copy of the file's bytes in memory (a memcpy), in pieces of the size
    korvel-convert reads, into one buffer that stays in the cache as its own does: the limit of any filter."""
    data = memoryview(source.read_bytes())
    piece = 1 << 19  # kChunkBytes in convert/main.cpp
    buffer = bytearray(piece)
    times = []
    for _ in range(runs + 1):  # the first touches every page
        start = time.perf_counter()
        for at in range(0, len(data), piece):
            chunk = data[at:at + piece]
            buffer[:len(chunk)] = chunk
        times.append(time.perf_counter() - start)
    return statistics.median(times[1:])


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


def run_once(command, source, environment=None):
    """Wall time of one run, its output read through a pipe."""
    with open(source, "rb") as stdin:
        start = time.perf_counter()
        process = subprocess.Popen(command, stdin=stdin, stdout=subprocess.PIPE,
                                   env={**os.environ, **(environment or {})})
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


def measure_interleaved(commands, source, runs, environments=None):
    """Median seconds per command; the commands take turns, so drift on the machine touches all alike."""
    environments = environments or [None] * len(commands)
    for command, environment in zip(commands, environments):
        run_once(command, source, environment)  # warm-up
    times = [[] for _ in commands]
    for _ in range(runs):
        for i, command in enumerate(commands):
            times[i].append(run_once(command, source, environments[i]))
    return [statistics.median(t) for t in times]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("tool", nargs="?", default=str(ROOT / "build/native/bin/korvel-convert"))
    parser.add_argument("--sizes", default="10,100", help="input sizes in MB, comma-separated")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    tool = args.tool
    have_uconv = shutil.which("uconv") is not None

    targets = runnable_targets()
    columns = [("chosen", None)] + [(name, {"KORVEL_VECTOR_TARGETS": str(bits)}) for name, bits in targets]
    columns.append(("no vectors", {"KORVEL_NO_VECTOR_CODE": "1"}))
    rows = []
    by_target = []  # (size, text, mode, {column: ratio to cat})
    with tempfile.TemporaryDirectory() as folder:
        for megabytes in (int(s) for s in args.sizes.split(",")):
            russian = Path(folder) / f"russian-{megabytes}mb.txt"
            make_russian(russian, megabytes * 1000 * 1000)
            latin = Path(folder) / f"latin-{megabytes}mb.txt"
            with open(russian, "rb") as stdin, open(latin, "wb") as stdout:
                subprocess.run([tool, "--to-latin"], stdin=stdin, stdout=stdout, check=True)
            for text, source in (("Russian", russian), ("Latin", latin)):
                size = source.stat().st_size / 1e6
                commands = [("cat (floor)", ["cat"], None)]
                for mode in MODES:
                    commands += [(f"korvel-convert {mode}", [tool, mode], environment)
                                 for _, environment in columns]
                if have_uconv and text == "Russian":
                    commands.append(("uconv -x Russian-Latin/BGN", UCONV, None))
                seconds = measure_interleaved([c for _, c, _ in commands], source, args.runs,
                                              [e for _, _, e in commands])
                copy = memory_copy_seconds(source, args.runs)
                rows.append((f"{megabytes} MB", text, size, "memcpy of the bytes (the limit)", copy, seconds[0], None))
                for index, ((name, command, environment), median) in enumerate(zip(commands, seconds)):
                    if name.startswith("korvel-convert") and environment is not None:
                        continue  # in the table of targets
                    memory = peak_memory_kib(command, source)
                    rows.append((f"{megabytes} MB", text, size, name, median, seconds[0], memory))
                for m, mode in enumerate(MODES):
                    first = 1 + m * len(columns)
                    by_target.append((f"{megabytes} MB", text, mode,
                                      {column: seconds[first + c] / seconds[0]
                                       for c, (column, _) in enumerate(columns)}))

    print(f"Median of {args.runs} rounds after a warm-up (the commands take turns), output read through a pipe, "
          f"{os.cpu_count()} cores; korvel-convert with the vector code chosen for this processor.\n")
    print("| input | text | command | median time | throughput | against cat | peak memory |")
    print("|---|---|---|---:|---:|---:|---:|")
    for size_name, text, size, name, seconds, floor, memory in rows:
        shown = f"{memory / 1024:.1f} MiB" if memory else "n/a"
        print(f"| {size_name} | {text} | `{name}` | {seconds * 1000:.1f} ms | {size / seconds:.0f} MB/s "
              f"| {seconds / floor:.2f} | {shown} |")

    print("\nEach mode against cat of the same input, with each instruction set forced in turn:\n")
    print("| input | text | mode | " + " | ".join(name for name, _ in columns) + " |")
    print("|---|---|---|" + "---:|" * len(columns))
    for size_name, text, mode, ratios in by_target:
        print(f"| {size_name} | {text} | `{mode}` | " + " | ".join(f"{ratios[name]:.2f}" for name, _ in columns) + " |")

    print()
    for size_name in dict.fromkeys(r[0] for r in rows):
        korvel = [r for r in rows if r[0] == size_name and r[3].startswith("korvel-convert")]
        worst = max(korvel, key=lambda r: r[4] / r[5])
        print(f"- {size_name}: the slowest mode against cat is `{worst[3]}` on {worst[1]} text, "
              f"{worst[4] / worst[5]:.2f} times (goal: at most 1.5).")
        uconv = [r for r in rows if r[0] == size_name and r[3].startswith("uconv")]
        to_latin = [r for r in korvel if r[1] == "Russian" and r[3].endswith("--to-latin")]
        if uconv and to_latin:
            print(f"- {size_name}: `korvel-convert --to-latin` is {uconv[0][4] / to_latin[0][4]:.1f} times as fast "
                  f"as uconv on the same Russian text (goal: at least 50).")
    peaks = [r[6] for r in rows if r[3].startswith("korvel-convert") and r[6]]
    if peaks:
        print(f"- Peak resident memory of korvel-convert in any run: {max(peaks) / 1024:.1f} MiB (goal: under 64 MiB).")


if __name__ == "__main__":
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
    main()
