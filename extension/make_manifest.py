#!/usr/bin/env python3
"""Writes a manifest of the extension from the one manifest: Firefox's, which
runs the background as a script rather than a service worker and knows an
extension by an add-on id of its own; or, for the tests alone, one that
grants hosts at install (headless Chromium cannot answer the permission
prompt that switching Korvel on for a site shows).

    make_manifest.py MANIFEST.json OUT.json [--firefox ADDON_ID] [--grant ORIGIN...]
"""
import argparse
import json


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("manifest")
    parser.add_argument("out")
    parser.add_argument("--firefox", metavar="ADDON_ID")
    parser.add_argument("--grant", nargs="+", default=[], metavar="ORIGIN")
    args = parser.parse_args()
    with open(args.manifest, encoding="utf-8") as file:
        manifest = json.load(file)
    if args.firefox:
        worker = manifest["background"]["service_worker"]
        manifest["background"] = {"scripts": [worker]}
        manifest["browser_specific_settings"] = {
            # The first versions that know data_collection_permissions.
            "gecko": {"id": args.firefox, "strict_min_version": "140.0",
                      # It collects nothing and sends nothing anywhere.
                      "data_collection_permissions": {"required": ["none"]}},
            "gecko_android": {"strict_min_version": "142.0"},
        }
    if args.grant:
        manifest["host_permissions"] = args.grant
    with open(args.out, "w", encoding="utf-8") as file:
        json.dump(manifest, file, indent=2, ensure_ascii=False)
        file.write("\n")


if __name__ == "__main__":
    main()
