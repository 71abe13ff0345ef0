#!/usr/bin/env python3
"""Korvel everywhere's cost to typing, under Wine on a virtual display with a
German keymap: 2,000 keys typed quickly (xdotool, 1 ms apart) into a plain
text field of a window of ours, the time from the first character's arrival
to the last's, with Korvel everywhere running against without it, in turns
in the same run; and the time its keyboard hook took for each key pressed
and let go (Korvel's own count, KORVEL_HOOK_TIMINGS). Prints Markdown tables
(those in docs/performance.md).

    KORVEL_BIN_DIR=build/mingw64/bin python3 bench/win32/everywhere_typing.py [ROUNDS]
"""
import statistics
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "everywhere"))
from everywhere_e2e import (DESKTOP, EVERYWHERE, FIELDS, GERMAN_KEYMAP, HELPER, PLAIN, TIMING, Program,  # noqa: E402
                            eventually, focus, helper, text, type_text)

KEYS = ("Privet mir kak dela xorosho " * 80)[:2000]


def arrival_ms():
    """Milliseconds from the first character's arrival to the 2,000th's."""
    fields = Program("bench-fields", str(HELPER), "fields", started=lambda: helper("count:KorvelTestFields") == "1")
    try:
        focus(FIELDS, PLAIN)
        type_text(KEYS, delay=1)
        ok, timing = eventually(lambda: text(f"item:{FIELDS}:{TIMING}"),
                                lambda value: value.endswith(" 2000"), timeout=300)
        assert ok, f"not all keys arrived: {timing}"
        return float(timing.split()[0])
    finally:
        helper("close:KorvelTestFields")
        fields.stop()


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    DESKTOP.start(keymap=GERMAN_KEYMAP)
    times = {"without": [], "with": []}
    in_hook = []  # (microseconds, "down" or "up"), every key of every round
    try:
        for _ in range(rounds):
            times["without"].append(arrival_ms())
            with tempfile.NamedTemporaryFile(suffix=".txt") as timings:
                everywhere = Program("bench-everywhere", str(EVERYWHERE),
                                     started=lambda: helper("count:KorvelEverywhere") == "1",
                                     KORVEL_HOOK_TIMINGS="Z:" + timings.name.replace("/", "\\"))
                times["with"].append(arrival_ms())
                helper("close:KorvelEverywhere")
                everywhere.process.wait(30)
                everywhere.stop()
                in_hook += [line.split() for line in Path(timings.name).read_text().splitlines()]
    finally:
        DESKTOP.stop()
    without, with_korvel = statistics.median(times["without"]), statistics.median(times["with"])
    print(f"| 2,000 keys typed into a text field, first to last arrival (median of {rounds}) | time |")
    print("|---|---|")
    each = {name: ", ".join(f"{t / 1000:.2f}" for t in values) for name, values in times.items()}
    print(f"| no Korvel (the floor) | {without / 1000:.2f} s ({each['without']}) |")
    print(f"| Korvel everywhere on | {with_korvel / 1000:.2f} s ({each['with']}) |")
    print(f"| ratio (goal: at most 1.3) | {with_korvel / without:.2f} |")
    print()
    print(f"| the hook's time per key pressed or let go ({len(in_hook):,} in all) | median | worst |")
    print("|---|---:|---:|")
    kinds = {"every key pressed or let go (goal: 50 us, 5 ms)": ("down", "up"), "keys pressed": ("down",),
             "keys let go": ("up",)}
    for name, kind in kinds.items():
        us = [float(time) for time, which in in_hook if which in kind]
        print(f"| {name} | {statistics.median(us):.0f} us | {max(us):.0f} us |")


if __name__ == "__main__":
    main()
