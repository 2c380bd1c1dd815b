#!/usr/bin/env bash
# orqctl.exe under wine, as a user runs it, against the simulated units wine offers as COM ports
# (units.sh), compared with the Linux orqctl against the same unit.
#   orqctl.sh UNITS LINUX-ORQCTL ORQCTL.EXE UNDER-WINE...
set -euo pipefail
units=$1 linux=$2 exe=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "orqctl.exe: $*" >&2; exit 1; }
run() { "${under[@]}" "$exe" "$@"; }
under=("$@")

# The ports wine offers, by their COM names and numbers.
run ports >ports.txt || fail "ports failed"
for n in 7 8 9; do grep -q "^$n  COM$n" ports.txt || fail "ports does not list COM$n: $(cat ports.txt)"; done

# A set read from the unit is the same file, byte for byte, as the Linux orqctl reads.
run read -p COM7 -o windows.ini 2>read.err || fail "read failed: $(cat read.err)"
"$linux" read -p "$units/com7" -o linux.ini 2>/dev/null || fail "the Linux orqctl could not read"
cmp -s windows.ini linux.ini || fail "read differs from the Linux orqctl's: $(diff windows.ini linux.ini)"

# The set found was kept where Windows keeps a user's own data: %LOCALAPPDATA%\orq\backups.
found=$(ls "${under[1]}"/wine-prefix/drive_c/users/*/AppData/Local/orq/backups/*-found.ini 2>/dev/null | head -n1)
[ -n "$found" ] || fail "no backup of the set found in %LOCALAPPDATA%\\orq\\backups"
cmp -s "$found" linux.ini || fail "the backup is not the set read"

# A changed set written and verified; the unit then holds it, as the Linux orqctl reads it back.
sed 's/^PitchGain=.*\r$/PitchGain=55\r/' windows.ini >edited.ini
grep -q $'^PitchGain=55\r$' edited.ini || fail "the test could not edit its file"
run write -p COM7 edited.ini 2>write.err || fail "write failed: $(cat write.err)"
"$linux" read -p "$units/com7" -o after.ini 2>/dev/null
grep -q $'^PitchGain=55\r$' after.ini || fail "the unit does not hold what was written"
run write -p COM7 windows.ini 2>/dev/null || fail "the set could not be put back"

# Five lines of the monitor, then its stream is off again.
run monitor -p COM7 --count 5 >monitor.txt 2>monitor.err || fail "monitor failed: $(cat monitor.err)"
[ "$(wc -l <monitor.txt)" -eq 5 ] || fail "monitor printed $(wc -l <monitor.txt) lines, not 5"
grep -q '^aileron=' monitor.txt || fail "monitor lines look wrong: $(head -1 monitor.txt)"

# The unit pulled out in the middle of the monitor: exit 1, and one line says so.
(sleep 2; kill "$(cat "$units/com9.pid")") &
set +e
run monitor -p COM9 >pulled.txt 2>pulled.err
status=$?
set -e
wait
[ "$status" -eq 1 ] || fail "the monitor of a unit pulled out ended with $status, not 1"
[ -s pulled.txt ] || fail "the monitor showed nothing before the unit went"
grep -c '^orqctl: ' pulled.err | grep -qx 1 || fail "not one line for the unit going: $(cat pulled.err)"
grep -q '^orqctl: the unit went away' pulled.err || fail "the line says: $(grep '^orqctl' pulled.err)"
echo "orqctl.exe: ports, read, write, monitor and a pulled unit as on Linux"
