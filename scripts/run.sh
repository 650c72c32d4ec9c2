#!/usr/bin/env bash
# Sets up, builds and starts the program: the local stand-in server with its
# sample data on 127.0.0.1, then the client against it.  The client's
# program folder is build/run/ (configuration ZizTolvane.ini, language file,
# local stores); the stand-in's database is build/run/brantle-local.db.
# The stand-in stops when the client ends.  Only the programs the run starts
# are built, and CMake configures the build folder only when it has none (the
# build itself reconfigures when a CMake file changed).
#
# On a machine without a print queue the run gets a PDF queue of its own: a
# private CUPS scheduler (it needs root, as this command does) whose one
# cups-pdf queue writes every label, waybill and invoice as a PDF into
# build/run/printed/.  With the machine's own queues the program uses those.
#
#   BRANTLE_LANG=00 bash scripts/run.sh   # Chinese texts (default 01: English)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
[ -f build/build.ninja ] || cmake -S "$root" -B "$root/build" -G Ninja >/dev/null
cmake --build build -j "$(nproc)" --target brantle brantle-server brantle-place-samples

run="$root/build/run"
mkdir -p "$run"
lang=${BRANTLE_LANG:-01}

stop_all=()
stop_everything() {
  for pid in "${stop_all[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap stop_everything EXIT

# The stand-in picks a free port and names it on its first line; it starts
# while the program folder is made ready.
"$root/build/localserver/brantle-server" --port 0 --db "$run/brantle-local.db" \
  >"$run/server.log" 2>&1 &
server=$!
stop_all+=("$server")

# The result sounds of the scanning desks live beside the program.
cp -u "$root"/devices/sounds/result/*.wav "$run/"
# The sample place dictionary (DATA_SYS) and address library, written again
# when the tool that writes them is newer.
if [ ! "$run/city.dat" -nt "$root/build/app/brantle-place-samples" ] ||
   [ ! "$run/DATA_SYS/brantle7_0.dat" -nt "$root/build/app/brantle-place-samples" ]; then
  "$root/build/app/brantle-place-samples" "$run"
fi

# A private print queue when the machine has none; the scheduler starts and
# the queue is added while the client starts.
if ! lpstat -e 2>/dev/null | grep -q .; then
  cups="$run/cups"
  printed="$run/printed"
  export CUPS_SERVER="$cups/cups.sock"
  (
    mkdir -p "$cups"/{spool,tmp,state,cache,pdf-spool,pdf-log} "$printed"
    chmod 1777 "$cups/tmp"
    chmod 777 "$printed"
    cat >"$cups/cupsd.conf" <<CONF
Listen $cups/cups.sock
LogLevel warn
WebInterface No
Browsing Off
DefaultShared No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
    cat >"$cups/cups-files.conf" <<CONF
ServerRoot $cups
RequestRoot $cups/spool
TempDir $cups/tmp
StateDir $cups/state
CacheDir $cups/cache
ServerBin /usr/lib/cups
DataDir /usr/share/cups
ErrorLog $cups/error_log
AccessLog $cups/access_log
PageLog $cups/page_log
SystemGroup root
CONF
    # cups-pdf reads /etc/cups/cups-pdf.conf: in the scheduler's own mount
    # namespace the private folder stands for /etc/cups.
    printf 'Out %s\nLabel 0\nSpool %s/pdf-spool\nAnonDirName %s/pdf-spool\nLog %s/pdf-log\nGSTmp %s/tmp\n' \
      "$printed" "$cups" "$cups" "$cups" "$cups" >"$cups/cups-pdf.conf"
    exec unshare -m sh -c "mount --make-rprivate / && mount --bind '$cups' /etc/cups &&
      exec /usr/sbin/cupsd -f -c '$cups/cupsd.conf' -s '$cups/cups-files.conf'" \
      >"$cups/cupsd.out" 2>&1
  ) &
  stop_all+=($!)
  (
    for _ in $(seq 1 250); do
      lpstat -r 2>/dev/null | grep -q "scheduler is running" && break
      sleep 0.04
    done
    if lpadmin -p BrantlePdf -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd \
         -o pdftops-renderer-default=pdftocairo >>"$cups/lpadmin.out" 2>&1 &&
       lpadmin -d BrantlePdf >>"$cups/lpadmin.out" 2>&1; then
      echo "No print queue on this machine: prints go as PDF files to $printed/."
    else
      echo "The private print queue did not start; see $cups/cupsd.out and $cups/lpadmin.out" >&2
    fi
  ) &
  stop_all+=($!)
fi

port=
for _ in $(seq 1 500); do
  port=$(sed -n 's/^brantle-server listening on .* port \([0-9][0-9]*\).*/\1/p' "$run/server.log" | head -n 1)
  [ -n "$port" ] && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "The stand-in server did not start:" >&2
    cat "$run/server.log" >&2
    exit 1
  fi
  sleep 0.02
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
