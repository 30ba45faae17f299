#!/usr/bin/env bash
# Starts Medora under Xvfb with the xcb platform in a folder holding a fresh empty database,
# and waits for a window whose title holds "Medora 1.0".
set -euo pipefail
program=$1
empty_db=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$empty_db" "$work/clinic_db.mdb"
cd "$work"
# The program's settings and its automatic backup stay in the test's folder, not the user's.
export HOME=$work XDG_CONFIG_HOME=$work/.config

xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  QT_QPA_PLATFORM=xcb "$0" > program.log 2>&1 &
  pid=$!
  for _ in $(seq 1 100); do
    if xdotool search --name "Medora 1.0" > window.id 2>/dev/null; then
      geometry=$(xdotool getwindowgeometry "$(head -1 window.id)")
      echo "found: $(xdotool getwindowname "$(head -1 window.id)")"
      echo "$geometry"
      kill $pid
      exit 0
    fi
    kill -0 $pid 2>/dev/null || { echo "Medora ended early"; cat program.log; exit 1; }
    sleep 0.1
  done
  echo "no window titled Medora 1.0 appeared"; cat program.log; kill $pid; exit 1
' "$program"
