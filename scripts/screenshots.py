"""Walks through every screen and dialog of Medora on a sample clinic and saves a picture of
each under docs/screenshots/. Run by scripts/screenshots."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "journeys"))
from medora import Medora, wait_for  # noqa: E402

import pyatspi  # noqa: E402

OUT = sys.argv[3]


def shoot(m, name, window=None):
    time.sleep(0.6)
    node = window if window is not None else m.main
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["import", "-window", "root", "-crop",
                    "%dx%d+%d+%d" % (box.width, box.height, box.x, box.y), "+repage",
                    os.path.join(OUT, name + ".png")], check=True)
    print("saved", name)


def dialog_shot(m, open_it, title, name, close_button="Cancel"):
    open_it()
    dialog = m.window(title)
    shoot(m, name, dialog)
    m.press(close_button, within=dialog)


def walk_through(m):
    m.wait_screen("MainMenu1")
    shoot(m, "main-menu")

    # The menus' items are not on the accessibility bus: File opens with the mouse, and its
    # first item, "Records database…", with the keys.
    bar = m.find("menu bar", "")
    box = bar.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", "--sync", str(box.x + 15),
                    str(box.y + box.height // 2), "click", "1"], check=True)
    m.keys("Down", "Return")
    records = m.window("Records database")
    m.click("radio button", "A clinic server", within=records)
    m.type_into("Host", "clinic-server", within=records)
    m.type_into("Database", "medora", within=records)
    m.type_into("User", "reception", within=records)
    shoot(m, "records-database", records)
    m.press("Cancel", within=records)

    m.press("- Edit clinic and doctor information")
    m.wait_screen("Edit clinic information")
    for label, value in [("Clinic/Group name", "Cedar Family Clinic"),
                         ("Doctor's name", "Dr. Amal Haddad"), ("Doctor's qualifications", "MD"),
                         ("Telephone", "555-0142"), ("Address street", "12 Harbour Road"),
                         ("City", "Tripoli"), ("Province", "North"), ("Postal code", "01300")]:
        m.type_into(label, value)
    shoot(m, "clinic-information")
    m.press("Update")
    m.wait_screen("Main Menu")

    m.press("- Add a new patient")
    m.wait_screen("Add new patient record")
    m.type_into("First Name *", "Omar")
    m.type_into("Last Name *", "Khalil")
    # Tab enters the date of birth at its day; the digits fill day, month and year.
    m.keys("Tab", "Tab")
    subprocess.run(["xdotool", "type", "--delay", "60", "14031990"], check=True)
    m.type_into("Address", "4 Cedar Street")
    m.keys("Return")
    subprocess.run(["xdotool", "type", "--delay", "30", "Tripoli"], check=True)
    m.type_into("Telephone", "555-0190")
    shoot(m, "add-patient")
    m.press("Add")
    m.answer("Confirmation", "Yes")
    m.wait_screen("Patient medical record")
    m.press("Close")
    m.wait_screen("Main Menu")

    m.press("- Locate patient by ID")
    m.wait_screen("Locate patient by ID")
    m.type_into("Patient ID #: *", "3")
    shoot(m, "find-by-id")
    m.press("Locate")
    m.wait_screen("Patient medical record")
    shoot(m, "record-visits")
    m.click("radio button", "Medications")
    shoot(m, "record-medications")
    m.click("radio button", "Medical")
    dialog_shot(m, lambda: m.press("Add"), "Add new history entry", "add-history-entry")
    m.click("radio button", "Medications")
    dialog_shot(m, lambda: m.press("Add"), "Add Medication", "add-medication")
    m.click("radio button", "Tests")
    shoot(m, "record-tests")
    dialog_shot(m, lambda: m.press("Add"), "Add Test", "add-test")
    m.click("radio button", "Visits")
    # The whole record printed on the PDF queue; scripts/screenshots pictures its first page.
    m.keys("ctrl+p")
    dialog = m.window("Print")
    m.press("Print", within=dialog)
    rows = m.table_rows("History list")
    if rows and len(rows[0]) > 1:
        table = m.find("table", "History list")
        cell = table.queryTable().getAccessibleAt(0, 1)
        x, y = m.center(cell)
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"])
        m.press("View/Edit")
        m.wait_screen("Patient visit")
        shoot(m, "visit")
        m.press("Close")
        m.wait_screen("Patient medical record")
    m.press("Close")
    m.wait_screen("Main Menu")

    m.press("- Find patient by name")
    m.wait_screen("Locate patient by name")
    m.type_into("Patient's name *", "om", role="combo box")
    shoot(m, "find-by-name")
    m.press("Cancel")
    m.wait_screen("Main Menu")

    m.press("- List all patients")
    m.wait_screen("Search results")
    shoot(m, "search-results")
    m.type_into("Search:", "kha")
    shoot(m, "search")
    m.press("Close")
    m.wait_screen("Main Menu")

    m.press("- Issue a prescription")
    m.wait_screen("Issue prescription")
    m.type_into("Patient Name *", "Omar Khalil", role="combo box")
    m.click("text", "Age *")
    m.type_into("Diagnosis *", "Acute bacterial sinusitis")
    for drug in ["amoxicillin 500mg 3x daily for 7 days", "ibuprofen 400mg after meals"]:
        m.type_into("Drug/Dosage", drug, role="combo box")
        m.press("Add to list")
    shoot(m, "prescription")
    m.press("Print prescription")
    dialog = m.window("Print")
    shoot(m, "print-dialog", dialog)
    m.press("Print", within=dialog)
    m.press("Cancel")
    m.wait_screen("Main Menu")

    m.press("- Restore database from a backup file")
    shoot(m, "restore-warning", m.window("Warning"))
    m.answer("Warning", "No")

    # The same clinic on a full HD monitor, the window as large as the screen.
    subprocess.run(["xdotool", "search", "--name", "Medora 1.0 - ", "windowsize", "1920", "1080"],
                   check=True)
    m.press("- List all patients")
    m.wait_screen("Search results")
    shoot(m, "search-results-full-hd")
    m.press("Close")
    m.wait_screen("Main Menu")
    m.press("- Locate patient by ID")
    m.wait_screen("Locate patient by ID")
    m.type_into("Patient ID #: *", "3")
    m.press("Locate")
    m.wait_screen("Patient medical record")
    shoot(m, "record-full-hd")


medora = Medora(sys.argv[1], sys.argv[2])
try:
    medora.start().main_window()
    walk_through(medora)
finally:
    medora.stop()
