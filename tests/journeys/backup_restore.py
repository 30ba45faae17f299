"""Back up to a file, add a patient, restore the backup: the patient is gone."""

import os
import sys

from medora import fail, run


def choose_file(m, title, path, button):
    dialog = m.window(title)
    m.type_into("File name:", path, within=dialog)
    m.press(button, within=dialog)


def journey(m):
    m.wait_screen("MainMenu1")
    m.add_patient("Yusuf", "Demir")
    backup = os.path.join(m.data_dir, "..", "friday")

    with open(os.path.join(m.data_dir, "clinic_db.mdb"), "rb") as records:
        backed_up = records.read()
    m.press("- Backup medical records database")
    choose_file(m, "Save As", backup, "Save")
    m.answer("Confirmation", "OK", "Backup operation completed successfully")
    backup += ".rbk"
    if not os.path.exists(backup):
        fail("no backup file " + backup)
    with open(backup, "rb") as copy:
        if copy.read() != backed_up:
            fail("the backup is not the records file byte for byte")
    if os.stat(backup).st_mode & 0o077:
        fail("the backup can be read by others")

    m.add_patient("Ines", "Moreau")
    if len(m.sql("SELECT ID FROM patient_info")) != 2:
        fail("the second patient was not stored")

    m.press("- Restore database from a backup file")
    m.answer("Warning", "Yes", "Resotring the database from a backup file will delete all data "
             "in the currently used database, proceed?")
    choose_file(m, "Open", backup, "Open")
    m.answer("Confirmation", "OK", "Database restore operation completed successfully")

    patients = m.sql("SELECT first_name FROM patient_info")
    if patients != [["Yusuf"]]:
        fail("after the restore the patients are %r" % patients)
    m.press("- List all patients")
    m.wait_screen("Search results")
    rows = m.table_rows("Results list")
    if [row[1:] for row in rows] != [["Yusuf", "Demir"]]:
        fail("the search results show %r" % rows)


sys.exit(run(journey))
