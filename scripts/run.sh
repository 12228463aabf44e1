#!/usr/bin/env bash
# The main job: installs what is needed, builds the release flavour, creates a demo
# folder work/demo with 200 subjects and lists the first 20 in last-name order, all
# through the runtime, VEXGATE and the real record-file driver.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release
build/release/bin/vxdemodata create work/demo 200 --seed 1
build/release/bin/vxdemodata list work/demo --order SUB:BYLASTNAME --limit 20
