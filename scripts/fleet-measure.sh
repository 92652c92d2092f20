#!/usr/bin/env bash
# Memory and CPU of many registers on one machine: N dravimo services, each
# with its own working folder, HTTP port and ecrsim on a pseudo-terminal, run
# in real time (no time scale), as docs/fleet.md describes.
#   - idle: every instance started and waiting for jobs, CPU over 30 s;
#   - load: every instance gets FLEET_JOBS receipts over HTTP at once, one
#     after another per register, while /metrics is scraped every second as
#     Prometheus would; wall time, CPU, the slowest scrape;
#   - RSS and PSS of each dravimo, RSS of each ecrsim, open file descriptors.
# It prints one report; nothing is compared or failed (a measurement, not a
# test).
#
#   FLEET_N      how many registers (default 20)
#   FLEET_JOBS   receipts per register under load (default 5)
#   BUILD_DIR    build folder (default: build); dravimo and ecrsim are built
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD_DIR=${BUILD_DIR:-build}
[ -f "$BUILD_DIR/build.ninja" ] || cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$BUILD_DIR" --target dravimo ecrsim >/dev/null
PY=python3
[ -x /usr/bin/python3 ] && PY=/usr/bin/python3
exec "$PY" - "$ROOT/$BUILD_DIR/bin" "$ROOT" "${FLEET_N:-20}" "${FLEET_JOBS:-5}" <<'PYEOF'
import os, sys, threading, time
BIN, SRC, N, JOBS = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
sys.argv = [sys.argv[0], BIN, SRC]
sys.path.insert(0, os.path.join(SRC, "tests", "api"))
import http_process as hp  # the test rig: ecrsim on a pty, dravimo with HTTP

TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def rss_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def pss_mb(pid):
    """Proportional set size: shared pages (the Qt libraries) divided among
    the processes that share them, so the sum over instances is what the
    machine gives them."""
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                if line.startswith("Pss:"):
                    return int(line.split()[1]) / 1024
    except OSError:
        pass
    return float("nan")


def fds(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))


def cpu_of(rigs, which):
    return sum(cpu_seconds(getattr(r, which).pid) for r in rigs)


def summary(values):
    values = sorted(values)
    return f"min {values[0]:.1f}, median {values[len(values) // 2]:.1f}, max {values[-1]:.1f}"


rigs = []
try:
    t0 = time.time()
    for i in range(N):
        rig = hp.Rig(scale="1")
        rigs.append(rig)
        if not rig.start():
            sys.exit(f"instance {i} did not come up")
    print(f"{N} registers on {os.cpu_count()} cores: all {N} instances answering after {time.time() - t0:.1f} s")
    time.sleep(5)
    d0, s0, w0 = cpu_of(rigs, "dravimo"), cpu_of(rigs, "sim"), time.time()
    time.sleep(30)
    idle = time.time() - w0
    d_idle, s_idle = (cpu_of(rigs, "dravimo") - d0) / idle, (cpu_of(rigs, "sim") - s0) / idle
    rss_idle = [rss_mb(r.dravimo.pid) for r in rigs]
    print(f"idle: dravimo CPU {100 * d_idle:.2f} % of one core for all {N} ({100 * d_idle / N:.3f} % each), "
          f"ecrsim {100 * s_idle:.2f} %; dravimo RSS MB {summary(rss_idle)}, total {sum(rss_idle):.0f} MB")

    failures, scrape_ms, stop = [], [], threading.Event()

    def register(i, rig):
        for j in range(JOBS):
            status, _, answer = rig.post_text(hp.receipt(tag=f"R{i}-{j}"), f"fleet-{i}-{j}", wait=120)
            if status != 200 or answer.get("outcome", {}).get("exitCode") != 0:
                failures.append((i, j, status, answer.get("outcome")))

    def scraper():
        while not stop.is_set():
            for rig in rigs:
                t = time.perf_counter()
                status, _, _ = rig.request("GET", "/metrics")
                scrape_ms.append((time.perf_counter() - t) * 1000)
            stop.wait(1)

    d0, s0, w0 = cpu_of(rigs, "dravimo"), cpu_of(rigs, "sim"), time.time()
    scrape = threading.Thread(target=scraper)
    scrape.start()
    threads = [threading.Thread(target=register, args=(i, r)) for i, r in enumerate(rigs)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    stop.set()
    scrape.join()
    busy = time.time() - w0
    d_busy, s_busy = cpu_of(rigs, "dravimo") - d0, cpu_of(rigs, "sim") - s0
    rss_busy = [rss_mb(r.dravimo.pid) for r in rigs]
    pss_busy = [pss_mb(r.dravimo.pid) for r in rigs]
    sim_rss = [rss_mb(r.sim.pid) for r in rigs]
    scrape_ms.sort()
    print(f"load: {N * JOBS} receipts ({JOBS} per register, all registers at once) in {busy:.1f} s, "
          f"{len(failures)} not done {failures[:3]}")
    print(f"load: dravimo CPU {d_busy:.1f} s in all ({100 * d_busy / busy:.1f} % of one core, "
          f"{1000 * d_busy / (N * JOBS):.0f} ms per receipt), ecrsim {s_busy:.1f} s")
    print(f"load: dravimo RSS MB {summary(rss_busy)}, total {sum(rss_busy):.0f} MB; "
          f"ecrsim RSS MB {summary(sim_rss)}")
    print(f"load: dravimo PSS MB {summary(pss_busy)}, total {sum(pss_busy):.0f} MB "
          f"(shared library pages counted once)")
    print(f"load: /metrics scrapes {len(scrape_ms)}, median {scrape_ms[len(scrape_ms) // 2]:.1f} ms, "
          f"slowest {scrape_ms[-1]:.1f} ms")
    print(f"open file descriptors per dravimo: {summary([fds(r.dravimo.pid) for r in rigs])}")
finally:
    for rig in rigs:
        rig.close()
PYEOF
