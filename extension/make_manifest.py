#!/usr/bin/env python3
"""Writes the extension's manifest for Firefox from the one manifest: Firefox
runs the background as a script rather than a service worker, and knows an
extension by an add-on id of its own.

    make_firefox_manifest.py MANIFEST.json ADDON_ID OUT.json
"""
import json
import sys


def main():
    source, addon_id, out = sys.argv[1:4]
    with open(source, encoding="utf-8") as file:
        manifest = json.load(file)
    worker = manifest["background"]["service_worker"]
    manifest["background"] = {"scripts": [worker]}
    manifest["browser_specific_settings"] = {"gecko": {
        "id": addon_id,
        "strict_min_version": "128.0",
        # It collects nothing and sends nothing anywhere.
        "data_collection_permissions": {"required": ["none"]},
    }}
    with open(out, "w", encoding="utf-8") as file:
        json.dump(manifest, file, indent=2, ensure_ascii=False)
        file.write("\n")


if __name__ == "__main__":
    main()
