#!/usr/bin/env bash
# Runs one journey against the installed program: a fresh data folder holding a copy of the
# supplied empty database, a real X server, and an accessibility bus of its own.
#   run-journey.sh PREFIX JOURNEY [SERVER_STATE]
# With SERVER_STATE, the file naming the test server's folder, the records are instead a fresh
# database of their own on that server, which the program reaches as a desk does.
set -euo pipefail
prefix=$1
journey=$2
server_state=${3:-}
work=$(mktemp -d)
records_db=journey_$$
server_sql() {
  psql -X -q -v ON_ERROR_STOP=1 -h "$(cat "$server_state")" -U postgres -d postgres -c "$1"
}
finish() {
  cp -f "$work"/failure.png "$work"/medora.log "${JOURNEY_KEEP:-/tmp}/" 2>/dev/null || true
  rm -rf "$work"
  [[ -z "$server_state" ]] || server_sql "DROP DATABASE IF EXISTS $records_db" || true
}
trap finish EXIT
mkdir -p "$work/data"
cp "$prefix/share/medora/clinic_db.mdb" "$work/data/clinic_db.mdb"
chmod 600 "$work/data/clinic_db.mdb"
if [[ -n "$server_state" ]]; then
  server_sql "CREATE DATABASE $records_db"
  host=$(cat "$server_state")
  MEDORA_DATABASE="host=$host user=postgres dbname=$records_db" "$prefix/bin/medora-admin" init >/dev/null
  export MEDORA_DATABASE="host=$host user=desk dbname=$records_db"
fi
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
