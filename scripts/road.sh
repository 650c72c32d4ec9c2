#!/usr/bin/env bash
# Runs the road of parcels through the depot (tests/road, the program
# road_tests) against a real X server instead of Qt's offscreen platform: a
# virtual one (Xvfb) on a display number it picks free itself, started for
# this run and ended with it.  The screenshots and their page land in
# build/screenshots/road/ (index.html) as with the offscreen run.
#
#   bash scripts/road.sh [build folder]     # default: build
#
# To watch the road on a real display instead, run the program itself there:
#   QT_QPA_PLATFORM=xcb DISPLAY=:0 build/tests/road/road_tests
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/${1:-build}"
program="$build/tests/road/road_tests"

if [ ! -x "$program" ]; then
  [ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja >/dev/null
  cmake --build "$build" -j "$(nproc)" --target road_tests brantle-server brantle-place-samples
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/brantle-road-x-XXXXXX")
xvfb=
stop_all() {
  if [ -n "$xvfb" ]; then
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap stop_all EXIT
trap 'exit 130' INT TERM

# Xvfb names the display it took on the descriptor given (-displayfd); the
# kernel ends it if this script dies without its trap (--pdeathsig).
exec 3>"$work/display"
setpriv --pdeathsig KILL Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
  -noreset >"$work/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
display=
for _ in $(seq 1 500); do
  display=$(head -n 1 "$work/display" 2>/dev/null || true)
  [ -n "$display" ] && break
  if ! kill -0 "$xvfb" 2>/dev/null; then
    echo "Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
  fi
  sleep 0.02
done
if [ -z "$display" ]; then
  echo "Xvfb named no display; see its log:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi

echo "== the road under Xvfb on display :$display"
cd "$build/tests/road"
status=0
QT_QPA_PLATFORM=xcb DISPLAY=":$display" "$program" "${@:2}" || status=$?
echo "The road's screenshots: $build/screenshots/road/index.html"
exit "$status"
