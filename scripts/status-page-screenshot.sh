#!/usr/bin/env bash
# Takes docs/status-page.png: one dravimo against ecrsim, three jobs over HTTP
# (a receipt, a sale the register refuses, a card declined and paid in cash
# instead), then the status page in headless Chromium.
#   BUILD_DIR  build folder (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD_DIR=${BUILD_DIR:-build}
[ -f "$BUILD_DIR/build.ninja" ] || cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$BUILD_DIR" --target dravimo ecrsim >/dev/null
PY=python3
[ -x /usr/bin/python3 ] && PY=/usr/bin/python3
exec "$PY" - "$ROOT/$BUILD_DIR/bin" "$ROOT" <<'PYEOF'
import os, subprocess, sys
BIN, SRC = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.join(SRC, "tests", "api"))
import http_process as hp
import metrics_process as mp

rig = hp.Rig()
try:
    if not rig.start():
        sys.exit("dravimo did not come up")
    mp.run_job(rig, mp.two_sales("T-1001"), "shot-1")
    rig.control(r"error 69 re:KX\d+R\d+COFFEE times 1")
    mp.run_job(rig, mp.two_sales("T-1002"), "shot-2")
    rig.control("card code 05 times 1")
    mp.run_job(rig, mp.two_sales("T-1003", payment=3), "shot-3")
    out = os.path.join(SRC, "docs", "status-page.png")
    subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                    f"--user-data-dir={rig.path('chromium-profile')}", "--window-size=1100,760",
                    f"--screenshot={out}", f"http://127.0.0.1:{rig.port}/"],
                   check=True, capture_output=True, timeout=60)
    print(out)
finally:
    rig.close()
PYEOF
