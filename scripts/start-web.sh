#!/usr/bin/env bash
# Builds Korvel's web page and serves it on 127.0.0.1 until Ctrl+C; prints
# the address. The page needs no server: build/web/site/index.html also works
# opened as a file. KORVEL_WEB_PORT chooses the port (default 8080).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build-web.sh
port=${KORVEL_WEB_PORT:-8080}
echo "Korvel's page: http://127.0.0.1:$port/  (Ctrl+C stops the server)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web/site
