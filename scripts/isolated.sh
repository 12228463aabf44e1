#!/usr/bin/env bash
# Runs a command in a network namespace of its own with only loopback up: tests that
# listen on the fixed port 10025 cannot meet another run's server, and no packet can
# leave the machine. Falls back to running the command as it is where namespaces are
# not permitted.
set -euo pipefail
if unshare -n true 2>/dev/null; then
  exec unshare -n bash -c 'ip link set lo up && exec "$@"' isolated "$@"
fi
exec "$@"
