"""The typical road: add a patient, open the record, add a visit, see it listed, close."""

import sys

from medora import fail, run


def journey(m):
    m.wait_screen("MainMenu1")
    m.press("- Add a new patient")
    m.wait_screen("Add new patient record")
    m.type_into("First Name *", "Amina")
    m.type_into("Last Name *", "Haddad")
    m.type_into("Telephone", "555 0142")
    m.press("Add")
    m.answer("Confirmation", "Yes", "The date of birth is today's date.")
    m.answer("Confirmation", "Yes",
             "Record added successfuly, would you like to view and edit the record details?")
    m.wait_screen("Patient medical record")

    patients = m.sql("SELECT ID, first_name, last_name, telephone FROM patient_info")
    if patients != [["1", "Amina", "Haddad", "555 0142"]]:
        fail("patients stored: %r" % patients)
    if m.text_of("First Name *") != "Amina" or m.text_of("ID #") != "1":
        fail("the record screen does not show the new patient")
    if m.table_rows("History list") != [["No Visits"]]:
        fail("a new patient's visits: %r" % m.table_rows("History list"))

    m.press("Add")
    m.wait_screen("Patient visit")
    m.type_into("Complaint *", "Sore throat", role="combo box")
    m.type_into("Temperature", "38")
    m.type_into("Diagnosis", "Pharyngitis")
    m.press("Add")
    m.wait_screen("Patient medical record")

    visits = m.sql("SELECT patient_ID, complaint, temp, diagnosis FROM complaints")
    if visits != [["1", "Sore throat", "38", "Pharyngitis"]]:
        fail("visits stored: %r" % visits)
    rows = m.table_rows("History list")
    if len(rows) != 1 or rows[0][1:3] != ["Sore throat", "Pharyngitis"]:
        fail("the record lists %r" % rows)

    m.press("Close")
    m.wait_screen("Main Menu")


sys.exit(run(journey))
