#!/usr/bin/env python3
"""Makes transcription/alphabet_statistics.cpp: how likely each letter is
after the two before it, in Russian (Cyrillic), German and English (Latin),
for the detector of text typed in the wrong alphabet.

Sources, read from Debian's packages without installing them (their
copyright files are copied beside the tables, in
transcription/alphabet_statistics.NOTICE):
- python3-langdetect: letter 1-3-gram counts of each language (Apache-2.0);
- libreoffice-l10n-ru, libreoffice-l10n-de: LibreOffice's own texts in
  Russian and German, and the English they translate (MPL-2.0), counted
  word by word, so that words' first and last letters are known.

    python3 scripts/make-alphabet-statistics.py [DIR-WITH-DEBS]

Without a directory it fetches the packages with `apt-get download`.
"""
import collections
import gettext
import glob
import json
import math
import re
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
PACKAGES = ("python3-langdetect", "libreoffice-l10n-ru", "libreoffice-l10n-de")
LETTERS = {"ru": "абвгдеёжзийклмнопрстуфхцчшщъыьэюя", "de": "abcdefghijklmnopqrstuvwxyzäöüß",
           "en": "abcdefghijklmnopqrstuvwxyz"}
EDGE = " "  # a word's start or end
# Weights of the trigram's, bigram's and letter's own probability, and the
# floor for a letter the language never has.
WEIGHTS, FLOOR = (0.7, 0.2, 0.09), 1e-6
STEP = 8  # the tables hold -log(p) in eighths


def unpack(debs, into):
    for name in PACKAGES:
        deb = next(iter(sorted(Path(debs).glob(f"{name}_*.deb"))), None)
        if deb is None:
            sys.exit(f"{name}_*.deb not found in {debs}")
        subprocess.run(["dpkg-deb", "-x", str(deb), str(into)], check=True)


def texts_of_libreoffice(root):
    texts = {"ru": [], "de": [], "en": []}
    for language in ("ru", "de"):
        for mo in sorted(glob.glob(f"{root}/usr/lib/libreoffice/program/resource/{language}/LC_MESSAGES/*.mo")):
            with open(mo, "rb") as file:
                catalog = gettext.GNUTranslations(file)._catalog
            for source, translated in catalog.items():
                if isinstance(source, str) and source:
                    texts[language].append(translated)
                    if language == "de":
                        texts["en"].append(source.split("\x04")[-1])
    return texts


def counts(language, texts, profile):
    """Relative frequencies of 1-, 2- and 3-grams: langdetect's and the words' alike weighted."""
    grams = [collections.Counter() for _ in range(3)]
    own = {gram: n for gram, n in profile["freq"].items() if set(gram) <= set(LETTERS[language] + EDGE)}
    words = collections.Counter()
    for text in texts:
        words.update(re.findall(f"[{LETTERS[language]}]+", text.replace("~", "").lower()))
    framed = collections.Counter()
    for word, n in words.items():
        s = EDGE + word + EDGE
        for size in (1, 2, 3):
            for i in range(len(s) - size + 1):
                framed[s[i:i + size]] += n
    for source in (own, framed):
        total = sum(n for gram, n in source.items() if len(gram) == 1)
        for gram, n in source.items():
            grams[len(gram) - 1][gram] += n / total
    return grams


def tables(grams):
    """-log p of a letter after two: for each trigram seen, each bigram seen, each letter seen."""
    uni, bi, tri = grams
    total = sum(uni.values())

    def p1(c):
        return WEIGHTS[2] * uni.get(c, 0) / total

    def p2(b, c):
        return WEIGHTS[1] * bi.get(b + c, 0) / uni[b] if uni.get(b) else 0.0

    def quantized(p):
        return min(255, round(-math.log(p + FLOOR) * STEP))

    three = {g: quantized(WEIGHTS[0] * n / bi[g[:2]] + p2(g[1], g[2]) + p1(g[2]))
             for g, n in tri.items() if bi.get(g[:2])}
    two = {g: quantized(p2(g[0], g[1]) + p1(g[1])) for g in bi}
    one = {g: quantized(p1(g)) for g in uni}
    return three, two, one, quantized(0.0)


def packed(letters, three, two, one, floor):
    """A letter's cost after two others: for each pair, the cost where the three are not known together
    (pairs[b * size + c]), and the costs of the threes that are ((a * size + b) * size + c, sorted). The
    letters are numbered as in EDGE + letters, any other character last."""
    alphabet = EDGE + letters
    size = len(alphabet) + 1
    name = [alphabet[i] if i < len(alphabet) else "\0" for i in range(size)]
    pairs = bytes(two.get(name[b] + name[c], one.get(name[c], floor)) for b in range(size) for c in range(size))
    triples = []
    for a in range(size):
        for b in range(size):
            for c in range(size):
                cost = three.get(name[a] + name[b] + name[c])
                if cost is not None and cost != pairs[b * size + c]:
                    triples.append(((a * size + b) * size + c, cost))
    assert size ** 3 < 1 << 16
    return alphabet, pairs, triples


def array(kind, name, values):
    out = [f"constexpr {kind} {name}[] = {{"]
    line = " "
    for value in values:
        item = f" {value},"
        if len(line) + len(item) > 118:
            out.append(line)
            line = " "
        line += item
    return out + [line, "};", ""]


def write(models, notices):
    out = ["// Made by scripts/make-alphabet-statistics.py from python3-langdetect's",
           "// profiles and LibreOffice's texts; their notices are in",
           "// alphabet_statistics.NOTICE. Do not edit.",
           '#include "alphabet_statistics.h"', "", "#include <iterator>", "", "namespace {", ""]
    for language, model in models.items():
        alphabet, pairs, triples = packed(LETTERS[language], *model)
        name = language.capitalize()
        letters = "".join(f"\\u{ord(c):04X}" if ord(c) > 127 else c for c in alphabet)
        out.append(f'constexpr char16_t Letters{name}[] = u"{letters}";')
        out += array("unsigned char", f"Pairs{name}", pairs)
        out += array("std::uint16_t", f"Threes{name}", (index for index, _ in triples))
        out += array("unsigned char", f"ThreeCosts{name}", (cost for _, cost in triples))
    out += ["}  // namespace", "", "LetterCosts CostsOf(Language language) {", "  switch (language) {"]
    for language, enum in (("Ru", "Russian"), ("De", "German")):
        out += [f"    case Language::{enum}:",
                f"      return {{Letters{language}, Pairs{language}, Threes{language}, ThreeCosts{language}, "
                f"std::size(Threes{language})}};"]
    out += ["    case Language::English:", "      break;", "  }",
            "  return {LettersEn, PairsEn, ThreesEn, ThreeCostsEn, std::size(ThreesEn)};", "}", ""]
    source = ROOT / "transcription" / "alphabet_statistics.cpp"
    source.write_text("\n".join(out))
    subprocess.run(["clang-format", "-i", str(source)], check=True)
    (ROOT / "transcription" / "alphabet_statistics.NOTICE").write_text(notices)


def main():
    with tempfile.TemporaryDirectory() as work:
        debs = sys.argv[1] if len(sys.argv) > 1 else work
        if len(sys.argv) == 1:
            subprocess.run(["apt-get", "download", *PACKAGES], cwd=work, check=True)
        root = Path(work) / "root"
        unpack(debs, root)
        texts = texts_of_libreoffice(root)
        profiles = root / "usr/lib/python3/dist-packages/langdetect/profiles"
        models = {}
        for language in ("ru", "de", "en"):
            profile = json.loads((profiles / language).read_text())
            models[language] = tables(counts(language, texts[language], profile))
        notices = "The tables in alphabet_statistics.cpp are made from the packages below.\n"
        for name in PACKAGES:
            notices += f"\n==== {name}: /usr/share/doc/{name}/copyright ====\n\n"
            notices += (root / "usr/share/doc" / name / "copyright").read_text()
        write(models, notices)


if __name__ == "__main__":
    main()
