#!/usr/bin/env bash
# How the game's frames are paced where the buffer swap does not wait for the display (Xvfb with
# Mesa's software renderer offers no swap control): the CPU of the game before and after the loop
# learnt to pace itself, next to the same picture drawn by a plain Xlib + GLX loop paced at 60 Hz
# (bench/raw_paced_loop.cpp), with the X server's CPU beside each; then the paced game's frame
# intervals and its simulated time against wall time (bench/pacing_probe.cpp).
#   bench/pacing.sh [--seconds N] [--before COMMIT] [--before-binary PATH]
# COMMIT defaults to the one before pacing came in; it is built in a temporary worktree. Builds go
# to build-release/ (as make bench) and to the temporary tree. Run it on a quiet machine: every
# figure is CPU time or wall time and other work on the machine shows in them.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=20
before=""
beforeBinary=""
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    --before-binary) beforeBinary=$(realpath "$2"); shift 2 ;;
    *) echo "pacing.sh: unknown option '$1'" >&2; exit 2 ;;
  esac
done

scripts/install-deps
build=build-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKF_BUILD_TESTS=OFF \
  -DKF_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j 2 --target rally_court pacing_probe raw_paced_loop >/dev/null

scratch=$(mktemp -d)
server=0
cleanup() {
  [ "$server" -ne 0 ] && kill "$server" 2>/dev/null || true
  if [ -d "$scratch/before" ]; then git worktree remove --force "$scratch/before" >/dev/null 2>&1 || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

if [ -z "$beforeBinary" ]; then
  if [ -z "$before" ]; then
    added=$(git log --diff-filter=A --format=%H -- kelpforge/application/kf_frame_pacing.cpp | tail -n 1)
    before="$added^"
  fi
  echo "pacing: building the game at $(git rev-parse --short "$before") (before pacing)"
  git worktree add --detach "$scratch/before" "$before" >/dev/null 2>&1
  cmake -S "$scratch/before" -B "$scratch/before/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DKF_BUILD_TESTS=OFF >/dev/null
  cmake --build "$scratch/before/build" -j 2 --target rally_court >/dev/null
  beforeBinary="$scratch/before/build/rally_court/rally_court"
fi

# Our own X server, so its process can be measured too.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 3>"$scratch/display" &
server=$!
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n 1 "$scratch/display")"
export LIBGL_ALWAYS_SOFTWARE=1

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# Runs a program for 2 s of warm-up and `seconds` of measurement; prints its CPU and the X
# server's over the measurement, in percent of one core.
measure() {
  "$@" >/dev/null 2>&1 &
  local program=$! hz program0 server0 from to program1 server1
  hz=$(getconf CLK_TCK)
  sleep 2
  program0=$(ticks "$program"); server0=$(ticks "$server"); from=$(date +%s.%N)
  sleep "$seconds"
  program1=$(ticks "$program"); server1=$(ticks "$server"); to=$(date +%s.%N)
  kill "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
  awk -v p="$((program1 - program0))" -v s="$((server1 - server0))" -v hz="$hz" -v from="$from" -v to="$to" \
    'BEGIN { t = to - from; printf "%.1f %.1f\n", p / hz / t * 100, s / hz / t * 100 }'
}

echo "pacing: load average before: $(cut -d ' ' -f 1-3 /proc/loadavg)"
read -r gameBefore serverBefore < <(measure "$beforeBinary")
read -r gameAfter serverAfter < <(measure "$build/rally_court/rally_court")
read -r raw serverRaw < <(measure "$build/bench/raw_paced_loop" $((seconds + 10)))
probe=$("$build/bench/pacing_probe" "$seconds")
echo "pacing: load average after: $(cut -d ' ' -f 1-3 /proc/loadavg)"

value() { awk -v name="$1" '$1 == name { print $2 }' <<<"$probe"; }
cat <<REPORT
CPU over $seconds s (percent of one core)       game    X server
  game before pacing                     $(printf '%7s %10s' "$gameBefore" "$serverBefore")
  game after pacing                      $(printf '%7s %10s' "$gameAfter" "$serverAfter")
  raw Xlib + GLX loop at 60 Hz           $(printf '%7s %10s' "$raw" "$serverRaw")
  after / raw                            $(awk -v a="$gameAfter" -v r="$raw" 'BEGIN { printf "%7.2f", (r > 0 ? a / r : 0) }')   (target at most 1.5)
  before / after                         $(awk -v a="$gameAfter" -v b="$gameBefore" 'BEGIN { printf "%7.2f", (a > 0 ? b / a : 0) }')
Paced game over $seconds s (refresh rate reported: $(value refresh_rate_hz) Hz; 0 means unknown, 60 Hz taken)
  frames per second                      $(value frames_per_second)
  frame interval p50 / p99 / max (ms)    $(value interval_p50_ms) / $(value interval_p99_ms) / $(value interval_max_ms)   (p99 target at most 25.0)
  simulated / wall time                  $(value simulated_seconds) s / $(value wall_seconds) s = $(value simulated_over_wall)   (target within 1 %)
  its own CPU (percent of one core)      $(value cpu_percent)
REPORT
