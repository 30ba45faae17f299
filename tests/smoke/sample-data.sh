#!/usr/bin/env bash
# The demo command fills an empty database, and refuses one that holds patients. Every date it
# makes up lies between the patient's birth and today.
set -euo pipefail
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MEDORA_DATA_DIR=$work/data
"$tool" 40
count() { sqlite3 "$MEDORA_DATA_DIR/clinic_db.mdb" "SELECT count(*) FROM $1"; }
[[ $(count patient_info) == 40 ]] || { echo "expected 40 patients, found $(count patient_info)"; exit 1; }
[[ $(count complaints) -gt 0 && $(count tests) -gt 0 ]] || { echo "no visits or tests"; exit 1; }
[[ $(stat -c %a "$MEDORA_DATA_DIR/clinic_db.mdb") == 600 ]] || { echo "database readable by others"; exit 1; }
before=$(sha256sum "$MEDORA_DATA_DIR/clinic_db.mdb")
if "$tool" 10 2>"$work/refusal"; then echo "filled a database that held patients"; exit 1; fi
grep -q "already holds 40 patients" "$work/refusal"
[[ $(sha256sum "$MEDORA_DATA_DIR/clinic_db.mdb") == "$before" ]] || { echo "database touched"; exit 1; }
echo "not a database" > "$work/text.mdb"
if "$tool" 10 "$work/text.mdb" 2>/dev/null; then echo "filled a text file"; exit 1; fi
clinic=$work/clinic-300.mdb
"$tool" 300 "$clinic" >/dev/null
outside() {
  sqlite3 "$clinic" "SELECT count(*) FROM $1 AS e JOIN patient_info AS p ON p.ID = e.patient_ID
                     WHERE date(e.date) < date(p.DOB) OR date(e.date) > date('now', 'localtime')"
}
for table in complaints tests; do
  [[ $(outside $table) == 0 ]] || { echo "$(outside $table) $table dated outside their patient's life"; exit 1; }
done
unborn=$(sqlite3 "$clinic" "SELECT count(*) FROM patient_info WHERE date(DOB) > date('now', 'localtime')")
[[ $unborn == 0 ]] || { echo "$unborn patients born after today"; exit 1; }
echo "sample data: ok"
