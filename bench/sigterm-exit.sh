#!/usr/bin/env bash
# Prints the time from SIGTERM to the end of an idle zarvo (offscreen platform) against the emulator,
# and whether the modem was returned to self mode on the way out. Usage: bench/sigterm-exit.sh BUILD [RUNS]
set -u
B=${1:?build dir}; N=${2:-5}
w=$(mktemp -d); trap 'kill $emu 2>/dev/null; rm -rf "$w"' EXIT
mkfifo "$w/ready"
"$B/tools/emulator/zarvo-emulator" --link "$w/modem" --transcript "$w/tr" >"$w/ready" & emu=$!
read -r _ _ <"$w/ready"
mkdir "$w/home"
printf '[Ports]\nCOM1=%s\n[Modem]\nComPort=1\n[ModemOpt]\nDialup_retr=0\nFax_recv=1\nLocal_Mode=0\nCall_Monitor=0\nDR_Password=\nRing_setup=2\nVoice_recv=1\nFax_ID=\n' "$w/modem" >"$w/home/ZARVO2.ini"
for i in $(seq "$N"); do
  : >"$w/tr"
  ZARVO_HOME="$w/home" QT_QPA_PLATFORM=offscreen "$B/src/app/zarvo" 2>"$w/err" & z=$!
  until grep -q 'MSR=0' "$w/tr" 2>/dev/null; do sleep 0.1; done; sleep 1
  : >"$w/tr"; s=$(date +%s%N); kill -TERM $z; wait $z; rc=$?; e=$(date +%s%N)
  echo "run $i: exit $rc after $(( (e-s)/1000000 )) ms; self mode sent: $(grep -c 'ATE0+MCS=1' "$w/tr"); stderr bytes: $(wc -c <"$w/err")"
done
