"""Find a patient by number and by name; add a history entry, a medication and a test;
delete the whole record."""

import sys

from medora import fail, run


def expect(m, query, rows):
    found = m.sql(query)
    if found != rows:
        fail("%s gave %r, not %r" % (query, found, rows))


def journey(m):
    m.add_patient("Omar", "Saleh")
    m.add_patient("Lena", "Berg")

    m.press("- Locate patient by ID")
    m.wait_screen("Locate patient by ID")
    m.type_into("Patient ID #: *", "2")
    m.keys("Return")
    m.wait_screen("Patient medical record")
    if m.text_of("Last Name *") != "Berg":
        fail("locating patient 2 showed %r" % m.text_of("Last Name *"))

    m.click("radio button", "Medical")
    m.press("Add")
    dialog = m.window("Add new history entry")
    m.type_into("Entry details: *", "Asthma since childhood", within=dialog)
    m.press("Add", within=dialog)

    m.click("radio button", "Medications")
    m.press("Add")
    dialog = m.window("Add Medication")
    m.type_into("Drug/Dosage *", "salbutamol 100mcg", role="combo box", within=dialog)
    m.press("Add", within=dialog)

    m.click("radio button", "Tests")
    m.press("Add")
    dialog = m.window("Add Test")
    m.type_into("Type *", "spirometry", role="combo box", within=dialog)
    m.type_into("Results *", "FEV1 82%", within=dialog)
    m.press("Add", within=dialog)
    rows = m.table_rows("History list")
    if len(rows) != 1 or rows[0][1:] != ["SPIROMETRY", "FEV1 82%"]:
        fail("the tests list shows %r" % rows)

    expect(m, "SELECT patient_ID, entry_type, entry_details FROM history_entries",
           [["2", "Medical", "Asthma since childhood"]])
    expect(m, "SELECT patient_ID, name, status FROM patient_medications",
           [["2", "SALBUTAMOL 100MCG", "New Chronic"]])
    expect(m, "SELECT patient_ID, type, results FROM tests", [["2", "SPIROMETRY", "FEV1 82%"]])
    expect(m, "SELECT name FROM meds_list", [["SALBUTAMOL 100MCG"]])

    m.press("Close")
    m.wait_screen("Main Menu")
    m.press("- Find patient by name")
    m.wait_screen("Locate patient by name")
    m.type_into("Patient's name *", "le", role="combo box")
    m.press("Locate")
    m.wait_screen("Patient medical record")
    if m.text_of("First Name *") != "Lena":
        fail("locating by name showed %r" % m.text_of("First Name *"))

    m.press("Delete record")
    m.answer("Confirmation", "Yes", "Permenantly delete this medical record?")
    m.answer("Confirmation", "OK", "Record deleted successfuly")
    m.wait_screen("Main Menu")
    expect(m, "SELECT ID, first_name FROM patient_info", [["1", "Omar"]])
    for table in ("history_entries", "patient_medications", "tests", "complaints"):
        expect(m, "SELECT count(*) FROM " + table, [["0"]])


sys.exit(run(journey))
