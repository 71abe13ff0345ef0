#!/usr/bin/env python3
"""Packs a Korvel release from built programs: the zip a Windows user
downloads, its SHA256SUMS, and the winget and Scoop manifests that point at
it. The same inputs give byte-identical outputs: the zip's entries come in a
fixed order with fixed times taken from SOURCE_DATE_EPOCH.

    make_release.py --programs DIR --release-info FILE --key-map-text FILE \\
                    --key-map-picture FILE --out DIR
"""
import argparse
import hashlib
import json
import os
import time
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
PACKAGE_ID = "Korvel.Korvel"
PUBLISHER = "Korvel"
LAYOUT_FILES = ("korvel", "Korvel.keylayout", "Korvel.klc")  # Linux, the Mac, Windows
DESCRIPTION = "Type Russian in Cyrillic on a German keyboard, without switching the keyboard layout."
# The guide in each language (README.txt stays English) and the package's
# description where a manager takes one per language (winget).
GUIDES = {"en": "README.txt", "de": "README.de.txt", "ru": "README.ru.txt"}
DESCRIPTIONS = {
    "de-DE": "Russisch in kyrillischer Schrift auf der deutschen Tastatur tippen, ohne das Tastaturlayout zu wechseln.",
    "ru-RU": "Печатайте по-русски кириллицей на немецкой клавиатуре, не переключая раскладку.",
}
LICENSE = "MIT"


TEST_BUILD_NOTICES = {
    "en": """\
TEST BUILD: this zip was built without a download address or a home
page, for testing only. Do not publish it. Its "Home site" button opens a
placeholder address.

""",
    "de": """\
TEST BUILD: Dieses Zip wurde ohne Download-Adresse und ohne Website
gebaut, nur zum Testen. Veröffentlichen Sie es nicht. Seine Schaltfläche
„Home site“ öffnet eine Platzhalteradresse.

""",
    "ru": """\
TEST BUILD: этот архив собран без адреса загрузки и без сайта, только для
проверки. Не публикуйте его. Его кнопка «Home site» открывает адрес-
заглушку.

""",
}


def windows_text(text):
    """CRLF line ends, and a byte order mark so that every Notepad reads the Cyrillic."""
    return b"\xef\xbb\xbf" + text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def write_zip(path, entries, epoch):
    stamp = time.gmtime(epoch)[:6]
    with zipfile.ZipFile(path, "w") as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS: no Unix permissions to vary
            info.external_attr = 0
            archive.writestr(info, data, compresslevel=9)


def winget_manifests(version, url, homepage, sha256):
    common = f"PackageIdentifier: {PACKAGE_ID}\nPackageVersion: {version}\n"
    tail = "ManifestVersion: 1.6.0\n"
    return {
        f"{PACKAGE_ID}.yaml": common + f"DefaultLocale: en-US\nManifestType: version\n{tail}",
        f"{PACKAGE_ID}.installer.yaml": common + (
            "InstallerType: zip\n"
            "NestedInstallerType: portable\n"
            "NestedInstallerFiles:\n"
            "  - RelativeFilePath: Korvel.exe\n"
            "    PortableCommandAlias: korvel\n"
            "  - RelativeFilePath: korvel-convert.exe\n"
            "    PortableCommandAlias: korvel-convert\n"
            "  - RelativeFilePath: KorvelEverywhere.exe\n"
            "    PortableCommandAlias: korvel-everywhere\n"
            "Installers:\n"
            "  - Architecture: x64\n"
            f"    InstallerUrl: {url}\n"
            f"    InstallerSha256: {sha256.upper()}\n"
            f"ManifestType: installer\n{tail}"),
        f"{PACKAGE_ID}.locale.en-US.yaml": common + (
            "PackageLocale: en-US\n"
            f"Publisher: {PUBLISHER}\n"
            "PackageName: Korvel\n"
            f"PackageUrl: {homepage}\n"
            f"License: {LICENSE}\n"
            f"ShortDescription: {DESCRIPTION}\n"
            "Tags:\n  - cyrillic\n  - russian\n  - keyboard\n  - transliteration\n"
            f"ManifestType: defaultLocale\n{tail}"),
        **{f"{PACKAGE_ID}.locale.{locale}.yaml": common + (
            f"PackageLocale: {locale}\n"
            f"ShortDescription: {description}\n"
            f"ManifestType: locale\n{tail}") for locale, description in DESCRIPTIONS.items()},
    }


def scoop_manifest(version, url, url_pattern, homepage, sha256):
    return {
        "version": version,
        "description": DESCRIPTION,
        "homepage": homepage,
        "license": LICENSE,
        "architecture": {"64bit": {"url": url, "hash": sha256}},
        "bin": "korvel-convert.exe",
        "shortcuts": [["Korvel.exe", "Korvel"], ["KorvelEverywhere.exe", "Korvel everywhere"]],
        "autoupdate": {"architecture": {"64bit": {"url": url_pattern.replace("{version}", "$version")}}},
    }


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--programs", type=Path, required=True,
                        help="folder with Korvel.exe, korvel-convert.exe and KorvelEverywhere.exe")
    parser.add_argument("--release-info", type=Path, required=True, help="release-info.json written by CMake")
    parser.add_argument("--key-map-text", type=Path, required=True,
                        help="the key map for README.txt; KEY-MAP.de.txt and KEY-MAP.ru.txt beside it for the others")
    parser.add_argument("--key-map-picture", type=Path, required=True)
    parser.add_argument("--layouts", type=Path, required=True, help="folder with the system keyboard layouts")
    parser.add_argument("--out", type=Path, required=True)
    args = parser.parse_args()

    info = json.loads(args.release_info.read_text())
    version, url_pattern, test_build = info["version"], info["url"], info["test_build"]
    epoch = int(os.environ["SOURCE_DATE_EPOCH"])
    guides = []
    for language, name in GUIDES.items():
        key_map = args.key_map_text
        if language != "en":
            key_map = key_map.with_name(f"{key_map.stem}.{language}{key_map.suffix}")
        readme = (ROOT / "release" / name).read_text(encoding="utf-8")
        key_map_text = key_map.read_text(encoding="utf-8").rstrip("\n")
        readme = readme.replace("@VERSION@", version).replace("@KEY_MAP@", key_map_text)
        if test_build:
            title, underline, rest = readme.split("\n", 2)
            readme = f"{title}\n{underline}\n\n{TEST_BUILD_NOTICES[language]}{rest.lstrip(chr(10))}"
        guides.append((name, windows_text(readme)))

    zip_name = f"Korvel-{version}-win64.zip"
    args.out.mkdir(parents=True, exist_ok=True)
    zip_path = args.out / zip_name
    write_zip(zip_path, [
        ("Korvel.exe", (args.programs / "Korvel.exe").read_bytes()),
        ("korvel-convert.exe", (args.programs / "korvel-convert.exe").read_bytes()),
        ("KorvelEverywhere.exe", (args.programs / "KorvelEverywhere.exe").read_bytes()),
        *guides,
        ("LICENSE.txt", windows_text((ROOT / "LICENSE").read_text(encoding="utf-8"))),
        ("keyboard-map.png", args.key_map_picture.read_bytes()),
        *((f"layouts/{name}", (args.layouts / name).read_bytes()) for name in LAYOUT_FILES),
    ], epoch)
    sha256 = hashlib.sha256(zip_path.read_bytes()).hexdigest()
    (args.out / "SHA256SUMS").write_text(f"{sha256}  {zip_name}\n")

    print(f"{zip_path}: {zip_path.stat().st_size} bytes, SHA-256 {sha256}")
    if test_build:
        print("A test build: no package manifests, since there is no download address.")
        return
    url = url_pattern.replace("{version}", version)
    winget = args.out / "winget" / "manifests" / "k" / "Korvel" / "Korvel" / version
    winget.mkdir(parents=True, exist_ok=True)
    for name, text in winget_manifests(version, url, info["homepage"], sha256).items():
        (winget / name).write_text(text, encoding="utf-8")
    scoop = args.out / "scoop"
    scoop.mkdir(parents=True, exist_ok=True)
    scoop_json = scoop_manifest(version, url, url_pattern, info["homepage"], sha256)
    (scoop / "korvel.json").write_text(json.dumps(scoop_json, indent=2) + "\n")


if __name__ == "__main__":
    main()
