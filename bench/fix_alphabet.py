#!/usr/bin/env python3
"""How well `korvel-convert --fix-alphabet` fixes text typed in the wrong
alphabet, on text that no one here wrote and the tables were not made from:
Debian's manual pages in Russian, German and English (manpages-ru,
manpages-de, manpages; GPL, read here to measure, never shipped), one
paragraph a line. Per language:
- false fixes: words changed in lines typed in the right alphabet, per
  10,000 words; also with one word of the other language, in its own
  alphabet, put into each line;
- fixes: the share of words that come back as written, in lines typed in
  the wrong alphabet (Russian with Korvel off, German and English with it
  on), for lines of three words and more, and of one and two;
- throughput in MB/s, and examples of what it gets wrong.

    python3 bench/fix_alphabet.py [--convert build/native/bin/korvel-convert] [--lines 3000]

Fetches the packages with `apt-get download` (once, into build/bench-text).
"""
import argparse
import glob
import gzip
import random
import re
import subprocess
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
PACKAGES = {"ru": "manpages-ru", "de": "manpages-de", "en": "manpages"}
WORD = {"ru": re.compile("^[а-яё]{3,}$"), "de": re.compile("^[a-zäöüß]{3,}$"), "en": re.compile("^[a-z]{3,}$")}


def render(page):
    source = gzip.open(page).read()
    done = subprocess.run(["groff", "-k", "-Tutf8", "-mandoc", "-rLL=20000n", "-P-cbou"], input=source,
                          capture_output=True)
    lines = (" ".join(line.split()) for line in done.stdout.decode("utf-8", "replace").split("\n"))
    return [line for line in lines if line and len(line) < 5000]


def paragraphs(cache, language):
    text = cache / f"{language}.txt"
    if not text.exists():
        debs = cache / "debs"
        debs.mkdir(parents=True, exist_ok=True)
        if not list(debs.glob(f"{PACKAGES[language]}_*.deb")):
            subprocess.run(["apt-get", "download", PACKAGES[language]], cwd=debs, check=True)
        root = cache / "root"
        deb = sorted(debs.glob(f"{PACKAGES[language]}_*.deb"))[0]
        subprocess.run(["dpkg-deb", "-x", str(deb), str(root)], check=True)
        under = f"{root}/usr/share/man/man*/*.gz" if language == "en" else f"{root}/usr/share/man/{language}/man*/*.gz"
        with ThreadPoolExecutor() as pool:
            rendered = [line for lines in pool.map(render, sorted(glob.glob(under))) for line in lines]
        text.write_text("\n".join(rendered) + "\n")
    return [line for line in text.read_text().split("\n") if re.search(r"\w", line)]


def convert(tool, flag, lines):
    started = time.perf_counter()
    done = subprocess.run([tool, flag], input="\n".join(lines) + "\n", capture_output=True, text=True, check=True)
    return done.stdout.split("\n")[:len(lines)], time.perf_counter() - started


def changed_words(before, after):
    """Words of `before` that `after` has otherwise, and examples."""
    count, examples = 0, []
    for one, other in zip(before, after):
        for a, b in zip(one.split(" "), other.split(" ")):
            if a != b:
                count += 1
                if len(examples) < 4:
                    examples.append(f"{a} -> {b}")
    return count, examples


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--convert", default=str(ROOT / "build/native/bin/korvel-convert"))
    parser.add_argument("--lines", type=int, default=3000)
    arguments = parser.parse_args()
    cache = ROOT / "build" / "bench-text"
    chosen = {}
    for language in PACKAGES:
        lines = paragraphs(cache, language)
        random.Random(1).shuffle(lines)
        chosen[language] = lines[:arguments.lines]
    others = {"ru": chosen["de"] + chosen["en"], "de": chosen["ru"], "en": chosen["ru"]}
    rows, wrong_rows, examples = [], [], []
    for language, lines in chosen.items():
        words = sum(len(line.split(" ")) for line in lines)
        fixed, seconds = convert(arguments.convert, "--fix-alphabet", lines)
        false, false_examples = changed_words(lines, fixed)
        # One word of the other language, in its own alphabet, in each line.
        foreign = [w for line in others[language] for w in line.lower().split(" ") if WORD[
            "ru" if language != "ru" else "de"].match(w) or (language == "ru" and WORD["en"].match(w))]
        pick = random.Random(2)
        mixed = []
        for line in lines:
            parts = line.split(" ")
            parts.insert(pick.randrange(len(parts) + 1), pick.choice(foreign))
            mixed.append(" ".join(parts))
        mixed_fixed, _ = convert(arguments.convert, "--fix-alphabet", mixed)
        mixed_false, mixed_examples = changed_words(mixed, mixed_fixed)
        typed = convert(arguments.convert, "--to-keys" if language == "ru" else "--keyboard", lines)[0]
        back, _ = convert(arguments.convert, "--fix-alphabet", typed)
        long = [(a, b) for a, b in zip(lines, back) if len(a.split(" ")) >= 3]
        short = [(a, b) for a, b in zip(lines, back) if len(a.split(" ")) < 3]
        share = []
        for pairs in (long, short):
            total = sum(len(a.split(" ")) for a, _ in pairs)
            missed, _ = changed_words([a for a, _ in pairs], [b for _, b in pairs])
            share.append(100 * (total - missed) / max(1, total))
        _, missed_examples = changed_words([a for a, _ in long], [b for _, b in long])
        size = len("\n".join(lines).encode())
        rows.append(f"| {language} | {len(lines):,} lines, {words:,} words | {false * 1e4 / words:.1f} | "
                    f"{mixed_false * 1e4 / words:.1f} | {size / seconds / 1e6:.1f} |")
        wrong_rows.append(f"| {language} | {share[0]:.1f} % | {share[1]:.1f} % |")
        examples += [f"- {language}, fixed where it should not: " + "; ".join(false_examples + mixed_examples),
                     f"- {language}, typed wrong and not brought back: " + "; ".join(missed_examples)]
    print("| typed in the right alphabet | text | false fixes per 10,000 words (goal: at most 1) "
          "| with one word of the other language | MB/s |")
    print("|---|---|---:|---:|---:|")
    print("\n".join(rows))
    print()
    print("| typed in the wrong alphabet | words back as written, lines of 3 words and more (goal: 90 %) "
          "| lines of 1 and 2 words |")
    print("|---|---:|---:|")
    print("\n".join(wrong_rows))
    print()
    print("\n".join(examples))


if __name__ == "__main__":
    main()
