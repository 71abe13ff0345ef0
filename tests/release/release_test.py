#!/usr/bin/env python3
"""Checks a release as its users and the package managers receive it: the
zip's contents, its checksum, the manifests that point at it, and the
version korvel-convert.exe reports (under Wine when WINEPREFIX is set). A
test build (made without addresses) must say so and carry no manifests; the
manifests are then checked on the same programs packed again with addresses.

    KORVEL_RELEASE_DIR=dist python3 tests/release/release_test.py
"""
import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

import yaml

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "win32"))
sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
import check_executables  # noqa: E402
from harness import wine  # noqa: E402

RELEASE = Path(os.environ.get("KORVEL_RELEASE_DIR", "dist"))
ROOT = Path(__file__).resolve().parents[2]


class ReleaseTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        zips = sorted(RELEASE.glob("Korvel-*-win64.zip"))
        assert len(zips) == 1, f"one zip expected in {RELEASE}, found {zips}"
        cls.zip = zips[0]
        cls.version = re.fullmatch(r"Korvel-(.+)-win64\.zip", cls.zip.name).group(1)
        cls.sha256 = hashlib.sha256(cls.zip.read_bytes()).hexdigest()
        cls.folder = tempfile.TemporaryDirectory()
        with zipfile.ZipFile(cls.zip) as archive:
            cls.names = archive.namelist()
            archive.extractall(cls.folder.name)
        cls.unpacked = Path(cls.folder.name)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def test_zip_holds_the_programs_the_guides_the_key_map_and_the_layouts(self):
        self.assertEqual(self.names, ["Korvel.exe", "korvel-convert.exe", "KorvelEverywhere.exe", "README.txt",
                                      "README.de.txt", "README.ru.txt", "LICENSE.txt",
                                      "keyboard-map.png", "layouts/korvel", "layouts/Korvel.keylayout",
                                      "layouts/Korvel.klc"])
        self.assertIn(b'include "de(basic)"', (self.unpacked / "layouts/korvel").read_bytes())
        self.assertTrue((self.unpacked / "layouts/Korvel.klc").read_bytes().startswith(b"\xff\xfeK\0B\0D\0"))
        for name in ("README.txt", "README.de.txt", "README.ru.txt", "LICENSE.txt"):
            text = (self.unpacked / name).read_bytes()
            self.assertEqual(text.count(b"\n"), text.count(b"\r\n"), f"{name}: every line ends in CRLF")
            self.assertTrue(text.startswith(b"\xef\xbb\xbf"), f"{name}: UTF-8 with a byte order mark, for Notepad")
        readme = self.readme()
        for needed in (f"Korvel {self.version}", "certutil -hashfile", "Get-FileHash", "SmartScreen", "Ctrl+C",
                       "Top pos", "korvel-convert --to-latin", "Exit codes", "щ", "KorvelEverywhere.exe", "Scroll Lock",
                       "Start with Windows", "password"):
            self.assertIn(needed, readme)
        self.assertNotIn("@", readme, "a placeholder was left")
        # The guide in German and Russian: the same sections, the key map in that language.
        for name, needed in (("README.de.txt", ("Strg+C", "Mit Windows starten", "Taste", "certutil -hashfile", "щ")),
                             ("README.ru.txt", ("Запускать вместе", "Клавиша", "certutil -hashfile", "щ"))):
            guide = (self.unpacked / name).read_text(encoding="utf-8-sig")
            for word in (f"Korvel {self.version}", *needed):
                self.assertIn(word, guide, name)
            for placeholder in ("@VERSION@", "@KEY_MAP@"):
                self.assertNotIn(placeholder, guide, f"{name}: a placeholder was left")
            self.assertEqual(guide.count("\n---"), readme.count("\n---"), f"{name}: every section of README.txt")
        self.assertTrue((self.unpacked / "keyboard-map.png").read_bytes().startswith(b"\x89PNG"))
        self.assertIn("MIT License", (self.unpacked / "LICENSE.txt").read_text(encoding="utf-8-sig"))

    def readme(self):
        return (self.unpacked / "README.txt").read_text(encoding="utf-8-sig")

    def test_a_test_build_says_so_and_has_no_manifests(self):
        test_build = "TEST BUILD" in self.readme()
        manifests = (RELEASE / "winget").exists() or (RELEASE / "scoop").exists()
        self.assertNotEqual(test_build, manifests, "a test build has no manifests, a release has both")
        if os.environ.get("KORVEL_EXPECT_TEST_BUILD"):
            self.assertTrue(test_build, "built without addresses")
        self.assertEqual((RELEASE / "SHA256SUMS").read_text(), f"{self.sha256}  {self.zip.name}\n")

    def test_manifests_name_the_zip(self):
        if (RELEASE / "winget").exists():
            self.check_manifests(RELEASE, self.zip)
        # The same programs packed with addresses, as a release is.
        with tempfile.TemporaryDirectory() as folder:
            folder = Path(folder)
            (folder / "info.json").write_text(json.dumps({
                "version": self.version, "url": "https://downloads.test/v{version}/Korvel-{version}-win64.zip",
                "homepage": "http://home.test/korvel_latin.php", "test_build": False}))
            for name in ("key-map.txt", "key-map.de.txt", "key-map.ru.txt"):
                (folder / name).write_text("Key  q\n")
            subprocess.run([sys.executable, str(ROOT / "release/make_release.py"), "--programs", str(self.unpacked),
                            "--release-info", str(folder / "info.json"), "--key-map-text", str(folder / "key-map.txt"),
                            "--key-map-picture", str(self.unpacked / "keyboard-map.png"),
                            "--layouts", str(self.unpacked / "layouts"), "--out", str(folder / "out")],
                           check=True, stdout=subprocess.DEVNULL, env={**os.environ, "SOURCE_DATE_EPOCH": "1700000000"})
            [packed] = (folder / "out").glob("*.zip")
            with zipfile.ZipFile(packed) as archive:
                self.assertNotIn("TEST BUILD", archive.read("README.txt").decode("utf-8-sig"))
            url = self.check_manifests(folder / "out", packed)
            self.assertEqual(url, f"https://downloads.test/v{self.version}/{self.zip.name}")

    def check_manifests(self, release, packed):
        """The manifests in `release` name the zip `packed`; gives its download address."""
        sha256 = hashlib.sha256(packed.read_bytes()).hexdigest()
        self.assertEqual((release / "SHA256SUMS").read_text(), f"{sha256}  {packed.name}\n")
        winget = release / "winget/manifests/k/Korvel/Korvel" / self.version
        manifests = {path.name: yaml.safe_load(path.read_text()) for path in winget.glob("*.yaml")}
        self.assertEqual(len(manifests), 5)
        for locale, word in (("de-DE", "Tastatur"), ("ru-RU", "клавиатуре")):
            self.assertIn(word, manifests[f"Korvel.Korvel.locale.{locale}.yaml"]["ShortDescription"])
        for manifest in manifests.values():
            self.assertEqual((manifest["PackageIdentifier"], str(manifest["PackageVersion"])),
                             ("Korvel.Korvel", self.version))
        installer = manifests["Korvel.Korvel.installer.yaml"]
        self.assertEqual((installer["InstallerType"], installer["NestedInstallerType"]), ("zip", "portable"))
        aliases = {f["RelativeFilePath"]: f.get("PortableCommandAlias") for f in installer["NestedInstallerFiles"]}
        self.assertEqual(aliases["korvel-convert.exe"], "korvel-convert")
        self.assertIn("Korvel.exe", aliases)
        self.assertIn("KorvelEverywhere.exe", aliases)
        [x64] = installer["Installers"]
        self.assertEqual(x64["InstallerSha256"], sha256.upper())

        scoop = json.loads((release / "scoop/korvel.json").read_text())
        self.assertEqual(scoop["version"], self.version)
        self.assertEqual(scoop["architecture"]["64bit"]["hash"], sha256)
        self.assertEqual(scoop["bin"], "korvel-convert.exe")
        self.assertEqual(scoop["shortcuts"], [["Korvel.exe", "Korvel"], ["KorvelEverywhere.exe", "Korvel everywhere"]])
        url = scoop["architecture"]["64bit"]["url"]
        self.assertEqual(x64["InstallerUrl"], url, "both managers download the same zip")
        self.assertTrue(url.endswith("/" + packed.name), url)
        self.assertNotIn("korvel.example", url + manifests["Korvel.Korvel.locale.en-US.yaml"]["PackageUrl"])
        return url

    def test_programs_are_hardened_and_report_the_release_version(self):
        programs = [str(self.unpacked / name) for name in ("Korvel.exe", "korvel-convert.exe", "KorvelEverywhere.exe")]
        self.assertEqual(check_executables.main(programs), 0)
        if not os.environ.get("WINEPREFIX"):
            self.skipTest("no Wine prefix")
        status, written = wine.run([programs[1], "--version"], timeout=300)
        self.assertEqual(status, 0, written)
        self.assertEqual(written.decode().strip().splitlines()[-1], f"korvel-convert {self.version}")


if __name__ == "__main__":
    unittest.main(verbosity=2)
