#!/usr/bin/env bash
# Sets up, builds and starts the program: the local stand-in server with its
# sample data on 127.0.0.1, then the client against it.  The client's
# program folder is build/run/ (configuration ZizTolvane.ini, language file,
# local stores); the stand-in's database is build/run/brantle-local.db.
# The stand-in stops when the client ends.
#
#   BRANTLE_LANG=00 bash scripts/run.sh   # Chinese texts (default 01: English)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh build

run="$root/build/run"
mkdir -p "$run"
# The result sounds of the scanning desks live beside the program.
cp "$root"/devices/sounds/result/*.wav "$run/"
# The sample place dictionary (DATA_SYS) and address library.
"$root/build/app/brantle-place-samples" "$run"
lang=${BRANTLE_LANG:-01}

# The stand-in picks a free port and names it on its first line.
"$root/build/localserver/brantle-server" --port 0 --db "$run/brantle-local.db" \
  >"$run/server.log" 2>&1 &
server=$!
stop_server() {
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
}
trap stop_server EXIT

port=
for _ in $(seq 1 250); do
  port=$(sed -n 's/^brantle-server listening on .* port \([0-9][0-9]*\).*/\1/p' "$run/server.log" | head -n 1)
  [ -n "$port" ] && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "The stand-in server did not start:" >&2
    cat "$run/server.log" >&2
    exit 1
  fi
  sleep 0.04
done
if [ -z "$port" ]; then
  echo "The stand-in server did not say its port; see $run/server.log" >&2
  exit 1
fi

# The configuration file is GBK text between its two markers.
{
  printf '%s\r\n' "$(printf '<配置开始>' | iconv -f UTF-8 -t GBK)"
  printf 'HOST=127.0.0.1\r\nPORT=%s\r\nAPI=/brantle/api\r\nLAN=%s\r\nWCID=PC-LOCAL\r\n' "$port" "$lang"
  printf '%s\r\n' "$(printf '<配置结束>' | iconv -f UTF-8 -t GBK)"
} >"$run/ZizTolvane.ini"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: set DISPLAY (or QT_QPA_PLATFORM=offscreen to run without one)." >&2
fi
echo "Stand-in server on 127.0.0.1:$port; log in as admin / admin123."
"$root/build/app/brantle" --program-folder "$run" "$@"
