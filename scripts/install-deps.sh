#!/usr/bin/env bash
# Installs every Debian 12 package that building, running and testing Korvel
# needs, and the test tools from the npm registry at the versions that
# tests/web/package-lock.json pins (into build/test-tools/), so that nothing
# is fetched while the tests run. Run as root; safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  # native core, tests and benchmarks
  cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev libcli11-dev libhwy-dev clang-format icu-devtools
  # fuzzing: clang with libFuzzer and the sanitizers' runtime
  clang-14 libclang-rt-14-dev
  # the Windows program, cross-compiled, and Wine to run it
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64
  # a virtual display, real keystrokes, the X clipboard, screenshots, resources
  xvfb xauth xdotool xclip x11-utils x11-xkb-utils imagemagick icoutils python3
  # the keyboard layouts tried for real: a Tk text widget as the X client
  python3-tk
  # the lint of the Python files
  flake8
  # the release: the key map picture, the manifests' check
  librsvg2-bin fonts-dejavu-core python3-yaml
  # the web page: the core as WebAssembly, and a real browser to test it in
  emscripten node-acorn chromium chromium-driver python3-selenium
  # the extension in Firefox too
  firefox-esr
  # the browsers and Wine in German and Russian: language packs and locales
  chromium-l10n firefox-esr-l10n-de firefox-esr-l10n-ru locales
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
# Debian's nodejs comes without npm; a node that bundles its own needs none.
command -v npm >/dev/null 2>&1 || missing+=(npm)
if ((${#missing[@]} > 0)); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

tools=build/test-tools
if ! cmp -s tests/web/package-lock.json "$tools/package-lock.json" || [ ! -d "$tools/node_modules" ]; then
  rm -rf "$tools"
  mkdir -p "$tools"
  cp tests/web/package.json tests/web/package-lock.json "$tools/"
  (cd "$tools" && npm ci --no-audit --no-fund --loglevel=error)
fi
