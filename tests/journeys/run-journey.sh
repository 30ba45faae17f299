#!/usr/bin/env bash
# Runs one journey against the installed program: a fresh data folder holding a copy of the
# supplied empty database, a real X server, and an accessibility bus of its own.
set -euo pipefail
prefix=$1
journey=$2
work=$(mktemp -d)
trap 'cp -f "$work"/failure.png "$work"/medora.log "${JOURNEY_KEEP:-/tmp}/" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/data"
cp "$prefix/share/medora/clinic_db.mdb" "$work/data/clinic_db.mdb"
chmod 600 "$work/data/clinic_db.mdb"
export HOME=$work
export PYTHONPATH=$(dirname "$0")
set +e
xvfb-run -a -s "-screen 0 1280x1024x24" \
  dbus-run-session -- /usr/bin/python3 "$journey" "$prefix" "$work/data" > "$work/out.txt" 2>&1
status=$?
grep -v -e 'Failed to set fd limit' -e 'Activating service' -e 'Successfully activated' \
        -e 'SpiRegistry daemon' -e 'dbind-WARNING' -e 'registry.py' -e 'Atspi.get_desktop' \
        -e '^$' "$work/out.txt"
exit $status
