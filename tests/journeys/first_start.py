"""First start of the installed program in a data folder without records: it offers to
create the empty database from the one it was installed with, and then works."""

import os
import sys

from medora import fail, run


def journey(m):
    records = os.path.join(m.data_dir, "clinic_db.mdb")
    os.remove(records)
    m.start()
    m.answer("Confirmation", "Yes", "There is no records database (clinic_db.mdb)")
    m.main_window()
    m.wait_screen("MainMenu1")
    if not os.path.exists(records):
        fail("no records database was created")
    if os.stat(records).st_mode & 0o077:
        fail("the new records database can be read by others")
    if m.sql("SELECT set_status FROM clinic_info") != [["0"]]:
        fail("the new database is not the supplied empty one")

    m.add_patient("First", "Patient")
    if m.sql("SELECT first_name FROM patient_info") != [["First"]]:
        fail("the patient was not stored in the new database")


sys.exit(run(journey, start=False))
