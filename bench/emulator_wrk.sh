#!/bin/sh
# Small-call throughput of quillbox-emulator against nginx serving a static
# file of the same size, with wrk at 1 and 64 connections.
#
#   bench/emulator_wrk.sh [BUILD_DIR | path/to/quillbox-emulator]
#
# Environment: DURATION (seconds per run, default 5), THREADS (emulator I/O
# threads and nginx workers, default 2), EMULATOR (the binary).
set -eu

EMULATOR=${1:-${EMULATOR:-build}}
[ -d "$EMULATOR" ] && EMULATOR=$EMULATOR/emulator/quillbox-emulator
DURATION=${DURATION:-5}
THREADS=${THREADS:-2}
NGINX=${NGINX:-/usr/sbin/nginx}

for tool in wrk curl "$NGINX" "$EMULATOR"; do
  command -v "$tool" >/dev/null 2>&1 || [ -x "$tool" ] || { echo "missing: $tool" >&2; exit 2; }
done

WORK=$(mktemp -d /tmp/quillbox-wrk-XXXXXX)
EMU_PID=
NGINX_PID=
cleanup() {
  [ -n "$EMU_PID" ] && kill "$EMU_PID" 2>/dev/null && wait "$EMU_PID" 2>/dev/null || true
  [ -n "$NGINX_PID" ] && kill "$NGINX_PID" 2>/dev/null && wait "$NGINX_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

# ---- the emulator ------------------------------------------------------------
"$EMULATOR" --port 0 --threads "$THREADS" >"$WORK/emulator.out" 2>&1 &
EMU_PID=$!
i=0
until grep -q "listening on" "$WORK/emulator.out" 2>/dev/null; do
  i=$((i + 1)); [ $i -gt 100 ] && { cat "$WORK/emulator.out" >&2; exit 1; }
  sleep 0.05
done
EMU_URL=$(sed -n 's/.*listening on //p' "$WORK/emulator.out")
TOKEN=$(curl -s --noproxy '*' -X POST -H 'Content-Type: application/json' \
  -d '{"authCode":"wrk-bench"}' "$EMU_URL/quillbox/ose/v1/carrier/standard/user/auth" |
  sed -n 's/.*"accessToken":"\([0-9a-f]*\)".*/\1/p')
[ -n "$TOKEN" ] || { echo "sign-in failed" >&2; exit 1; }
API_PATH=/quillbox/ose/v1/space/
curl -s --noproxy '*' -H "Authorization: $TOKEN" "$EMU_URL$API_PATH" >"$WORK/answer.json"
SIZE=$(wc -c <"$WORK/answer.json")

# ---- nginx with a file of the same size ----------------------------------------
mkdir -p "$WORK/www" "$WORK/tmp"
cp "$WORK/answer.json" "$WORK/www/answer.json"
NGINX_PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >"$WORK/nginx.conf" <<CONF
daemon off;
master_process on;
worker_processes $THREADS;
user root root;
pid $WORK/nginx.pid;
error_log $WORK/error.log warn;
events { worker_connections 4096; }
http {
  default_type application/json;
  access_log off;
  client_body_temp_path $WORK/tmp/body;
  proxy_temp_path $WORK/tmp/proxy;
  fastcgi_temp_path $WORK/tmp/fastcgi;
  uwsgi_temp_path $WORK/tmp/uwsgi;
  scgi_temp_path $WORK/tmp/scgi;
  sendfile on;
  tcp_nopush on;
  tcp_nodelay on;
  keepalive_requests 10000000;
  server {
    listen 127.0.0.1:$NGINX_PORT;
    root $WORK/www;
  }
}
CONF
"$NGINX" -c "$WORK/nginx.conf" &
NGINX_PID=$!
i=0
until curl -s --noproxy '*' -o /dev/null "http://127.0.0.1:$NGINX_PORT/answer.json"; do
  i=$((i + 1)); [ $i -gt 100 ] && { cat "$WORK/error.log" >&2; exit 1; }
  sleep 0.05
done

rate() {  # rate CONNECTIONS URL [HEADER]
  threads=$(( $1 < 2 ? 1 : 2 ))
  if [ $# -ge 3 ]; then
    wrk -t"$threads" -c"$1" -d"${DURATION}s" -H "$3" "$2"
  else
    wrk -t"$threads" -c"$1" -d"${DURATION}s" "$2"
  fi | awk '/^Requests\/sec:/ { printf "%.0f", $2 }'
}

echo "small call: GET $API_PATH, $SIZE-byte JSON answer; nginx: a static file of $SIZE bytes"
echo "emulator: $THREADS I/O threads; nginx: $THREADS workers; wrk: ${DURATION}s per run"
printf "%-12s %14s %14s %8s\n" connections emulator nginx ratio
for c in 1 64; do
  e=$(rate "$c" "$EMU_URL$API_PATH" "Authorization: $TOKEN")
  n=$(rate "$c" "http://127.0.0.1:$NGINX_PORT/answer.json")
  printf "%-12s %12s/s %12s/s %8s\n" "$c" "$e" "$n" "$(awk -v a="$e" -v b="$n" 'BEGIN { printf "%.2f", a / b }')"
done
