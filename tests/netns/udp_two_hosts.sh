#!/usr/bin/env bash
# UDP between two hosts: dravimo and ecrsim each in a network namespace of
# their own, a third namespace for a stranger, joined by veth pairs to a
# bridge that carries no address, on the private 10.213.0.0/29 with no route
# out (docs/network-namespaces.md). Two jobs run:
#   1. a receipt paid by card: while the card terminal keeps the payment
#      command waiting, the stranger (10.213.0.3) and a second program on the
#      register's own address but another port send error replies to
#      dravimo's port; they must be ignored: the job ends with exit code 0, no
#      "Err" line, and the register prints the receipt paid by card;
#   2. a receipt while the register stays silent to the first two sends of a
#      command, with the same foreign datagrams during the silence: the
#      retries carry it, nothing foreign is taken as the reply.
# Exits 77 (ctest: skipped) with the reason where namespaces cannot be made.
#   tests/netns/udp_two_hosts.sh BIN_DIR
set -uo pipefail
BIN=$(cd "${1:?usage: $0 BIN_DIR}" && pwd)
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
skip() { echo "SKIPPED: $*"; exit 77; }
[[ $(id -u) == 0 ]] || skip "network namespaces need root (CI runs as root)"
command -v ip >/dev/null || skip "no ip command (iproute2)"
command -v perl >/dev/null || skip "no perl for the stranger's datagrams"

# Names unique to this run, short enough for interface names (15 characters).
ID=$$
NS_HOST=drv-host-$ID NS_ECR=drv-ecr-$ID NS_STRANGER=drv-str-$ID BRIDGE=drvbr$ID
NET=10.213.0
HOST_IP=$NET.1 ECR_IP=$NET.2 STRANGER_IP=$NET.3 PORT=4001
SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/udp2.XXXXXX")
WORK=$SCRATCH/work
mkdir -p "$WORK"
SIM_PID="" DRAVIMO_PID=""
cleanup() {
  local pid
  for pid in $DRAVIMO_PID $SIM_PID; do
    if kill "$pid" 2>/dev/null; then wait "$pid" 2>/dev/null; fi
  done
  ip netns del "$NS_HOST" 2>/dev/null
  ip netns del "$NS_ECR" 2>/dev/null
  ip netns del "$NS_STRANGER" 2>/dev/null
  ip link del "$BRIDGE" 2>/dev/null
  if [[ ${UDP2_KEEP:-0} == 1 ]]; then echo "kept: $SCRATCH"; else rm -rf "$SCRATCH"; fi
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  for f in dravimo.err ecrsim.err trace.txt; do [[ -f $SCRATCH/$f ]] && { echo "--- $f"; tail -n 40 "$SCRATCH/$f"; }; done
  exit 1
}

ip netns add "$NS_HOST" 2>/dev/null || skip "cannot make network namespaces here"
ip netns add "$NS_ECR" && ip netns add "$NS_STRANGER" || fail "namespaces"
ip link add "$BRIDGE" type bridge && ip link set "$BRIDGE" up || fail "bridge"
n=0
for pair in "$NS_HOST:$HOST_IP" "$NS_ECR:$ECR_IP" "$NS_STRANGER:$STRANGER_IP"; do
  ns=${pair%%:*} addr=${pair#*:} n=$((n + 1))
  ip link add "v$n-$ID" type veth peer name "p$n-$ID" || fail "veth"
  ip link set "v$n-$ID" netns "$ns" && ip link set "p$n-$ID" master "$BRIDGE" up || fail "veth to bridge"
  ip -n "$ns" link set lo up
  ip -n "$ns" addr add "$addr/29" dev "v$n-$ID" && ip -n "$ns" link set "v$n-$ID" up || fail "address"
done
# No route out: each namespace knows its /29 and nothing else.
for ns in "$NS_HOST" "$NS_ECR" "$NS_STRANGER"; do
  [[ -z $(ip -n "$ns" route show default) ]] || fail "$ns has a default route"
done

export DRAVIMO_TIME_SCALE=4 DRAVIMO_UNATTENDED=1 LC_ALL=C.UTF-8
SOCK=$SCRATCH/ecrsim.sock
# The card terminal takes 8 s (2 s real): the window for the foreign datagrams.
ip netns exec "$NS_ECR" "$BIN/ecrsim" --udp "$ECR_IP:$PORT" --control "$SOCK" --trace "$SCRATCH/trace.txt" \
  --roll "$SCRATCH/roll.txt" --set "card delay 8000" >"$SCRATCH/ecrsim.out" 2>"$SCRATCH/ecrsim.err" &
SIM_PID=$!
for _ in $(seq 100); do [[ -s $SCRATCH/ecrsim.out ]] && break; sleep 0.05; done
[[ $(head -n 1 "$SCRATCH/ecrsim.out") == "$ECR_IP:$PORT" ]] || fail "ecrsim did not start on $ECR_IP:$PORT"

# The demo's settings, with the register's address and port for the link.
sed "s|@LOCATION@|$WORK/|; s|^\[port\] .*|[port] $ECR_IP|; s|^\[baud\] .*|[baud] $PORT|" "$ROOT/demo/param.ini.in" |
  sed 's/$/\r/' >"$WORK/param.ini"
cp "$ROOT/demo/vats.dat" "$WORK/vats.dat"
# payeft.dat: payment 2 is a card payment on terminal 1.
{ head -c 128 /dev/zero; printf '\x02\x00\x02\x00\x01\x00\xff\xff'; head -c 120 /dev/zero; } >"$WORK/payeft.dat"
(cd "$WORK" && exec ip netns exec "$NS_HOST" "$BIN/dravimo") >"$SCRATCH/dravimo.out" 2>"$SCRATCH/dravimo.err" &
DRAVIMO_PID=$!

# Error replies to dravimo's port, from the stranger and from the register's
# address on another port, every 100 ms for 1.5 s.
foreign() {
  local ns from fromport pids=()
  for pair in "$NS_STRANGER:$STRANGER_IP:$PORT" "$NS_ECR:$ECR_IP:4002"; do
    IFS=: read -r ns from fromport <<<"$pair"
    ip netns exec "$ns" perl -MIO::Socket::INET -e '
      my ($from, $port, $to, $toport) = @ARGV;
      my $s = IO::Socket::INET->new(Proto => "udp", LocalAddr => $from, LocalPort => $port,
                                    PeerAddr => $to, PeerPort => $toport) or die "socket: $!";
      for (1 .. 15) { $s->send("DE9999") or die "send: $!"; select(undef, undef, undef, 0.1); }
    ' "$from" "$fromport" "$HOST_IP" "$PORT" &
    pids+=($!)
  done
  # Only these two: a bare wait would wait for both programs as well.
  wait "${pids[@]}"
}

# Hands over a print file and sends the foreign datagrams once the trace
# shows the command matching $2; then waits for the job to end.
run_job() {
  local name=$1 waitfor=$2
  local lines
  lines=$(wc -l <"$SCRATCH/trace.txt" 2>/dev/null || echo 0)
  mv "$WORK/$name.part" "$WORK/print.1"
  for _ in $(seq 200); do
    tail -n +$((lines + 1)) "$SCRATCH/trace.txt" 2>/dev/null | grep -q -- "$waitfor" && break
    sleep 0.05
  done
  tail -n +$((lines + 1)) "$SCRATCH/trace.txt" | grep -q -- "$waitfor" || fail "$name: no $waitfor reached the register"
  foreign
  for _ in $(seq 600); do [[ -e $WORK/print.1 ]] || break; sleep 0.1; done
  [[ -e $WORK/print.1 ]] && fail "$name: print file not consumed"
  return 0
}

check_result() {
  local file=$1 what=$2 text
  text=$(tr -d '\r' <"$WORK/$file")
  grep -q '^exitcode = 0$' <<<"$text" || fail "$what: $(tr '\n' '|' <<<"$text")"
  grep -q '^Err' <<<"$text" && fail "$what: a foreign datagram was taken for a reply: $(tr '\n' '|' <<<"$text")"
  return 0
}

printf ' resFile:  card.txt\r\n tag:  CARD\r\n PLU %-14s%-24s    %7s  %9s   %5s\r\n tot   2  %9s\r\n' \
  "" "CARD ITEM" 1 7.00 24 7.00 >"$WORK/card.part"
run_job card "T2P1" || exit 1
check_result card.txt "card receipt"
grep -q "ΚΑΡΤΑ" "$SCRATCH/roll.txt" || fail "card receipt: the register did not book the card payment"

"$BIN/ecrsim" --send "$SOCK" "silent 2" >/dev/null || fail "ecrsim control"
printf ' resFile:  silent.txt\r\n tag:  SILENT\r\n PLU %-14s%-24s    %7s  %9s   %5s\r\n tot   1  %9s\r\n' \
  "" "QUIET ITEM" 1 3.00 13 10.00 >"$WORK/silent.part"
run_job silent "silent: command ignored" || exit 1
check_result silent.txt "silent register"
[[ $(grep -c "silent: command ignored" "$SCRATCH/trace.txt") == 2 ]] || fail "the register was not silent twice"
[[ $(grep -c "QUIET ITEM" "$SCRATCH/roll.txt") == 1 ]] || fail "the item after the silence is not on the roll once"
echo "PASS: card payment and silent register over UDP between namespaces; foreign datagrams ignored"
