#!/usr/bin/env bash
# Simulated units for the Windows programs under wine: Linux orq-sim processes, each on a
# pseudo-terminal that wine offers as a COM port. CTest runs this on Linux around the Windows
# tests, since a Windows program cannot start a Linux one.
#   units.sh start DIR ORQ-SIM UNDER-WINE...   COM7 a unit, COM8 one that pulls itself out once
#                                              it has answered twice, COM9 a unit a test may pull
#   units.sh stop DIR
set -euo pipefail
what=$1 dir=$2
shift 2
case $what in
  start)
    sim=$1
    shift
    "$0" stop "$dir"
    mkdir -p "$dir"
    unit() {
      local n=$1
      shift
      setsid "$sim" --link "$dir/com$n" "$@" </dev/null >"$dir/com$n.out" 2>&1 &
      echo $! >"$dir/com$n.pid"
    }
    unit 7
    unit 8 --unplug-after 2
    unit 9
    for n in 7 8 9; do
      for _ in $(seq 50); do [ -e "$dir/com$n" ] && break; sleep 0.1; done
      [ -e "$dir/com$n" ] || { echo "units: the unit for COM$n did not start" >&2; exit 1; }
      "$@" --com "$n" "$dir/com$n"
    done ;;
  stop)
    for pid in "$dir"/com*.pid; do
      [ -f "$pid" ] || continue
      kill "$(cat "$pid")" 2>/dev/null || true
      rm -f "$pid"
    done ;;
esac
