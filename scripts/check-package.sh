#!/usr/bin/env bash
# Checks the Debian package on a throw-away machine (CI, as root): builds it,
# installs it with dpkg -i, checks what it put where, verifies the service
# unit, runs the installed dravimo once as the service would (its user, its
# environment file, only the folders the unit makes writable) against the
# installed ecrsim with the sample settings, and removes the package again.
#
# The service's sandbox is re-created with a private mount namespace: every
# mount read-only but the unit's ReadWritePaths (read from the installed
# unit), a private /tmp, no home folders. This machine need not run systemd.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "check-package.sh installs a package: run it as root on a throw-away machine"; exit 1; }

DEB=$(./scripts/package.sh | tail -n 1)
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends desktop-file-utils >/dev/null
echo "== Package $DEB"
dpkg-deb -f "$DEB" Package Version Depends Recommends
# The Qt libraries come from what the binaries link, not from a list.
dpkg-deb -f "$DEB" Depends | grep -q 'libqt6core6' || { echo "Depends names no Qt library"; exit 1; }

INSTANCE=ci
WORK=/var/lib/dravimo/$INSTANCE
OUTSIDE=/srv/dravimo-ci-outside
RUN=$(mktemp -d)
SIM_PID=""; DRAVIMO_PID=""
cleanup() {
  local status=$?
  if [ "$status" -ne 0 ] && [ -d "$RUN" ]; then
    echo "-- the check failed; the simulator's side:"
    tail -n 20 "$RUN/ecr-trace.txt" "$RUN/ecrsim.err" 2>/dev/null || true
    cat "$RUN/dravimo.err" 2>/dev/null || true
  fi
  [ -n "$DRAVIMO_PID" ] && kill "$DRAVIMO_PID" 2>/dev/null || true
  [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null || true
  rm -rf "$RUN" "$WORK" "$OUTSIDE" /etc/dravimo/$INSTANCE.env
  dpkg --purge dravimo >/dev/null 2>&1 || true
}
trap cleanup EXIT

echo "== Installing with dpkg -i"
# dpkg does not fetch what the package depends on (adduser is not on every
# minimal image): apt completes the installation then, as a user would.
if ! dpkg -i "$DEB"; then
  DEBIAN_FRONTEND=noninteractive apt-get install -f -y -qq >/dev/null
fi
dpkg-query -W -f='${Status}\n' dravimo | grep -qx 'install ok installed' || { echo "dravimo is not installed"; exit 1; }
for f in /usr/bin/dravimo /usr/bin/ecrsim /usr/share/applications/dravimo.desktop \
         /usr/share/icons/hicolor/scalable/apps/dravimo.svg /usr/lib/systemd/system/dravimo@.service \
         /usr/share/doc/dravimo/README.md /usr/share/doc/dravimo/docs/ecrsim.md \
         /usr/share/doc/dravimo/examples/param.ini /usr/share/doc/dravimo/examples/vats.dat \
         /usr/share/doc/dravimo/examples/payeft.dat /usr/share/doc/dravimo/examples/instance.env; do
  [ -e "$f" ] || { echo "missing after install: $f"; exit 1; }
done
id dravimo
id -nG dravimo | tr ' ' '\n' | grep -qx dialout || { echo "dravimo is not in dialout"; exit 1; }
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate /usr/share/applications/dravimo.desktop
fi

if command -v systemd-analyze >/dev/null; then
  echo "== systemd-analyze verify dravimo@$INSTANCE.service"
  # verify wants the instance's working folder and command to exist.
  install -d -o dravimo -g dravimo -m 2770 "$WORK"
  # verify only warns about an unknown or malformed setting and still exits
  # 0: any word from it fails the check.
  VERIFY=$(systemd-analyze verify "dravimo@$INSTANCE.service" 2>&1) || { echo "$VERIFY"; exit 1; }
  [ -z "$VERIFY" ] || { echo "$VERIFY"; echo "the unit does not verify cleanly"; exit 1; }
else
  echo "== systemd-analyze not available: unit not verified"
fi

UNIT=/usr/lib/systemd/system/dravimo@.service
mapfile -t WRITABLE < <(sed -n 's/^ReadWritePaths=//p' "$UNIT" | tr ' ' '\n' | sed "s/%i/$INSTANCE/g; s/^-//" | grep .)
WORKDIR=$(sed -n 's/^WorkingDirectory=//p' "$UNIT" | sed "s/%i/$INSTANCE/g")
echo "== The unit makes writable: ${WRITABLE[*]} (working folder $WORKDIR)"
[ "$WORKDIR" = "$WORK" ] || { echo "unexpected working folder $WORKDIR"; exit 1; }

echo "== An instance set up as the README says"
install -d -o dravimo -g dravimo -m 2750 "$WORK"
install -d -o dravimo -g dravimo -m 2770 "$WORK/print"
install -o dravimo -g dravimo -m 0640 /usr/share/doc/dravimo/examples/{param.ini,vats.dat,payeft.dat} "$WORK/"
# A folder the service user could write to, were it not for the sandbox.
install -d -o dravimo -g dravimo -m 0770 "$OUTSIDE"

/usr/bin/ecrsim --serial --roll "$RUN/paper-roll.txt" --trace "$RUN/ecr-trace.txt" >"$RUN/ecrsim.out" 2>"$RUN/ecrsim.err" &
SIM_PID=$!
for _ in $(seq 50); do [ -s "$RUN/ecrsim.out" ] && break; sleep 0.1; done
DEVICE=$(head -n 1 "$RUN/ecrsim.out")
[ -n "$DEVICE" ] || { echo "ecrsim did not start:"; cat "$RUN/ecrsim.err"; exit 1; }
# The pseudo-terminal stands for a serial port the dialout group may open.
chgrp dialout "$DEVICE"; chmod 660 "$DEVICE"
# A lock file for a pseudo-terminal that was only just made is stale: left by
# a process killed earlier (the test suite stops dravimo with a signal) that
# held the same number. Left owned by root in the sticky lock folder, the
# service user could not clear it (as on any machine). /dev/pts/3 locks as
# LCK..pts_3.
rm -f "/run/lock/LCK..pts_${DEVICE##*/}"
install -d -m 0755 /etc/dravimo
echo "DRAVIMO_COM1=$DEVICE" >/etc/dravimo/$INSTANCE.env

# Inside a private mount namespace: the writable folders become mounts of
# their own, then every other mount outside /dev, /proc and /sys is made
# read-only; /tmp and /var/tmp are private, home folders are hidden. Then the
# service user runs dravimo with the unit's environment.
SANDBOX='
set -e
for p in "$@"; do mount --bind "$p" "$p"; done
findmnt -rno TARGET | sort -u | while read -r m; do
  case "$m" in /dev|/dev/*|/proc|/proc/*|/sys|/sys/*) continue ;; esac
  keep=0; for p in "$@"; do [ "$m" = "$p" ] && keep=1; done
  [ $keep = 1 ] || mount -o remount,bind,ro "$m" 2>/dev/null || true
done
mount -t tmpfs -o mode=1777 tmpfs /tmp
mount -t tmpfs -o mode=1777 tmpfs /var/tmp
for h in /home /root; do [ -d "$h" ] && mount -t tmpfs -o ro,mode=0755 tmpfs "$h"; done
touch /usr/.dravimo-sandbox-check 2>/dev/null && { echo "sandbox: /usr is writable"; exit 1; }
cd "$WORKDIR"
set -a; . "/etc/dravimo/$INSTANCE.env"; set +a
exec setpriv --reuid=dravimo --regid=dravimo --init-groups env DRAVIMO_UNATTENDED=1 /usr/bin/dravimo
'
echo "== Running the installed dravimo as user dravimo in the sandbox"
WORKDIR=$WORKDIR INSTANCE=$INSTANCE unshare --mount --propagation private \
  bash -c "$SANDBOX" sandbox "${WRITABLE[@]}" >"$RUN/dravimo.out" 2>"$RUN/dravimo.err" &
DRAVIMO_PID=$!

# The demo receipt, and a second one naming a result file outside the
# writable folders: it is refused before anything is sent, and the host reads
# why in the default result file.
handover() {
  install -o dravimo -g dravimo -m 0660 "$1" "$WORK/print/$2.tmp"
  mv "$WORK/print/$2.tmp" "$WORK/print/$2"
}
LC_ALL=C sed "s| resFile:  result.txt| resFile:  $OUTSIDE/result.txt|" demo/receipt.prn >"$RUN/outside.prn"
grep -q "resFile:  $OUTSIDE/result.txt" "$RUN/outside.prn"
handover demo/receipt.prn print.1
handover "$RUN/outside.prn" print.2
for _ in $(seq 120); do [ -e "$WORK/print/print.2" ] || break; sleep 0.5; done
kill "$DRAVIMO_PID" 2>/dev/null || true; wait "$DRAVIMO_PID" 2>/dev/null || true; DRAVIMO_PID=""
echo "-- dravimo's standard error (the service's journal):"
cat "$RUN/dravimo.err"
[ ! -e "$WORK/print/print.1" ] && [ ! -e "$WORK/print/print.2" ] || { echo "the print files were not taken"; exit 1; }
echo "-- $WORK/result.txt:"
iconv -f CP1253 -t UTF-8 "$WORK/result.txt"
grep -q '^exitcode = 0' "$WORK/result.txt" || { echo "no successful job in the result file"; exit 1; }
[ "$(stat -c %U "$WORK/result.txt")" = dravimo ] || { echo "result file not written by the service user"; exit 1; }
[ ! -e "$OUTSIDE/result.txt" ] || { echo "the sandbox let dravimo write $OUTSIDE"; exit 1; }
grep -q "^Err = -9, \[resFile: $OUTSIDE/result.txt\]" "$WORK/Result" || { echo "the refused result file was not reported"; cat "$WORK/Result"; exit 1; }
grep -q '^exitcode = 1' "$WORK/Result" || { echo "the refused job did not end with exitcode = 1"; exit 1; }
[ "$(stat -c %a "$WORK/journal")" = 700 ] || { echo "the journal folder is not private"; exit 1; }
grep -q 'caption: Dravimo- Αναμονή' "$RUN/dravimo.err" || { echo "caption changes missing on standard error"; exit 1; }
RECEIPTS=$(grep -c 'ΑΠΟΔΕΙΞΗ ΛΙΑΝΙΚΗΣ' "$RUN/paper-roll.txt" || true)
echo "-- paper roll: $RECEIPTS receipts"
[ "$RECEIPTS" -eq 1 ] || { cat "$RUN/paper-roll.txt"; exit 1; }

echo "== Removing the package"
rm -rf "$WORK"
dpkg -r dravimo
for f in /usr/bin/dravimo /usr/bin/ecrsim /usr/lib/systemd/system/dravimo@.service /usr/share/applications/dravimo.desktop; do
  [ ! -e "$f" ] || { echo "left behind after removal: $f"; exit 1; }
done
dpkg --purge dravimo
echo "== Package check passed"
