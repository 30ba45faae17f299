"""Clinic information saved, then a prescription printed through a real CUPS PDF queue:
the PDF the queue writes holds every line of the prescription."""

import glob
import os
import pwd
import re
import subprocess
import sys
import time

from medora import fail, run, wait_for

CLINIC = [("Clinic/Group name", "Riverside Family Clinic"), ("Doctor's name", "Dr. Sara Okafor"),
          ("Doctor's qualifications", "MBBS"), ("Telephone", "555 0199"),
          ("Address street", "12 Mill Road"), ("City", "Halifax"), ("Province", "NS"),
          ("Postal code", "B3H 4R2")]
DRUGS = ["amoxicillin 500mg tid x 7 days", "paracetamol 500mg prn"]


def queue_output_folder():
    # The PDF queue writes into the home folder of the user who printed.
    return os.path.join(pwd.getpwuid(os.getuid()).pw_dir, "PDF")


def journey(m):
    started = time.time()
    m.press("- Edit clinic and doctor information")
    m.wait_screen("Edit clinic information")
    for label, value in CLINIC:
        m.type_into(label, value)
    m.press("Update")
    m.wait_screen("Main Menu")
    stored = m.sql("SELECT clinic_name, postal_code, set_status FROM clinic_info")
    if stored != [["Riverside Family Clinic", "B3H 4R2", "1"]]:
        fail("clinic information stored: %r" % stored)

    m.press("- Issue a prescription")
    m.wait_screen("Issue prescription")
    m.type_into("Patient Name *", "Walk-in Patient", role="combo box")
    m.type_into("Age *", "34")
    m.type_into("Diagnosis *", "Acute otitis media")
    for drug in DRUGS:
        m.type_into("Drug/Dosage", drug, role="combo box")
        m.press("Add to list")
    m.press("Print prescription")
    dialog = m.window("Print")
    m.press("Print", within=dialog)

    def written():
        pdfs = [p for p in glob.glob(os.path.join(queue_output_folder(), "*.pdf"))
                if os.path.getmtime(p) >= started - 1]
        return max(pdfs, key=os.path.getmtime) if pdfs else None
    pdf = wait_for("the queue's PDF", written, timeout=60)
    time.sleep(1)  # the queue may still be closing the file
    text = subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True,
                          text=True, check=True).stdout
    expected = ["Riverside Family Clinic", "12 Mill Road", "Halifax, B3H 4R2", "Tel: 555 0199",
                "Medical Prescription (Rx)", "Doctor's name: Dr. Sara Okafor",
                "Patient's name: Walk-in Patient", "Age: 34 Year(s)",
                "Diagnosis: Acute otitis media", "Rx:", "Doctor's signature:"]
    expected += ["- " + drug.upper() for drug in DRUGS]
    missing = [line for line in expected if line not in text]
    if missing:
        fail("the printed prescription lacks %r; it reads:\n%s" % (missing, text))
    title, body = word_height(pdf, "Prescription"), word_height(pdf, "Diagnosis:")
    if title <= body:
        fail("the title prints %.1f points high, no larger than the text's %.1f" % (title, body))
    os.remove(pdf)


def word_height(pdf, word):
    """The height of the first word so written on the page, from pdftotext's word boxes."""
    boxes = subprocess.run(["pdftotext", "-bbox", pdf, "-"], capture_output=True, text=True,
                           check=True).stdout
    for line in boxes.splitlines():
        found = re.search(r'yMin="([\d.]+)".*yMax="([\d.]+)">' + re.escape(word) + "</word>", line)
        if found:
            return float(found.group(2)) - float(found.group(1))
    fail("no word %r on the printed page" % word)


sys.exit(run(journey))
