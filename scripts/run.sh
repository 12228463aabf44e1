#!/usr/bin/env bash
# The main job: the road of one remote read.
#
# Installs what is needed, builds the release flavour and creates work/road/server with
# 200 demo subjects (vxdemodata). Then:
#  - without a display: starts a headless "vxdemoabc /SERVER" in that folder (its
#    activity log goes to work/road/server/server.log), runs the vxabcdem client window
#    headless in the empty folder work/road/client, which prints the five rows it read
#    through the server and "Done.", closes it, and stops the server with SIGTERM;
#  - with a display: starts the application with its server window in the server
#    folder and tells how to start the second copy as the client.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release
bin=$PWD/build/release/bin
road=$PWD/work/road
rm -rf "$road"
mkdir -p "$road/server" "$road/client"
"$bin/vxdemodata" create "$road/server" 200 --seed 1 >/dev/null
echo "== the server's file, first 5 subjects in file order =="
"$bin/vxdemodata" list "$road/server" --order file --limit 5

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "== the application with its server window (folder $road/server) =="
  echo "Start the client copy in another terminal, then choose Browse >"
  echo "\"Browse the subject file (Remote)\" in it:"
  echo "    cd $road/client && $bin/vxabcdem"
  cd "$road/server"
  exec "$bin/vxdemoabc" /SERVER
fi

echo "== headless server: vxdemoabc /SERVER in $road/server =="
(cd "$road/server" && exec "$bin/vxdemoabc" --ui=headless /SERVER >server.log 2>server.err) &
server=$!
stop_server() { kill -TERM "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; }
trap stop_server EXIT
for _ in $(seq 1 100); do
  if (exec 3<>/dev/tcp/127.0.0.1/10025) 2>/dev/null; then break; fi
  sleep 0.1
done

echo "== vxabcdem client window, headless, in $road/client (no data file of its own) =="
client_out=$road/client/client.out
: >"$client_out"
{
  echo "wait 1"
  echo "press 1 -10"  # Browse > Browse the subject file (Remote)
  echo "wait 2 client"
  for _ in $(seq 1 300); do
    grep -qx "Done." "$client_out" && break
    sleep 0.1
  done
  echo "close 2"
  echo "close 1"
} | (cd "$road/client" && VX_UI_SCRIPT=- exec "$bin/vxabcdem" --ui=headless) | tee "$client_out"

stop_server
trap - EXIT
echo "== the server's activity log (oldest first) =="
cat "$road/server/server.log"
