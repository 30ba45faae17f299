#!/bin/sh
# Starts Medora in its data folder, where its records database lives:
# $MEDORA_DATA_DIR, else $XDG_DATA_HOME/medora, else ~/.local/share/medora.
set -e
data=${MEDORA_DATA_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/medora}
mkdir -p "$data"
chmod 700 "$data"
here=$(dirname "$(readlink -f "$0")")
cd "$data"
exec "$here/../lib/medora/medora" "$@"
