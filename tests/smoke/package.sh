#!/usr/bin/env bash
# The Debian package as the project builds it: Debian's own checker finds no error and no
# warning in it, and the manual pages it carries name every subcommand and argument that the
# commands' usage does.
set -euo pipefail
build=$1
admin=$2
sample=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MEDORA_DATA_DIR=$work/data

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb=$work/medora_1.0_amd64.deb
[[ -f $deb ]] || { echo "cpack made no $deb"; ls "$work"; exit 1; }
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 ||
  { echo "lintian:"; cat "$work/lintian.log"; exit 1; }
grep -q "^Recommends: .*postgresql-client" <(dpkg-deb -f "$deb") ||
  { echo "postgresql-client is not recommended"; exit 1; }

dpkg-deb -x "$deb" "$work/root"
page() { MANWIDTH=200 man -l "$work/root/usr/share/man/man1/$1.1.gz" 2>/dev/null; }
# The usage's first line lists the subcommands and arguments, each of which the page explains.
words() { "$1" --help 2>&1 | head -1 | sed 's/^usage: [^ ]*//' | tr -c 'A-Za-z-' '\n' | grep -v '^$' | sort -u; }
for command in "medora-admin:$admin" "medora-sample-data:$sample"; do
  name=${command%%:*}
  for word in $(words "${command#*:}"); do
    page "$name" | grep -qw -- "$word" || { echo "$name.1 says nothing of $word"; exit 1; }
  done
done
page medora | grep -q "MEDORA_DATABASE" || { echo "medora.1 says nothing of MEDORA_DATABASE"; exit 1; }
echo "package: ok"
