#pragma once

class QWidget;

// The main menu's ways for whole records to leave and come in as FHIR, each with the share
// done shown and a Cancel that leaves everything as it was.
class RecordsExchange {
public:
    // Database › Export all records…: every record written in a folder the user chooses.
    static void exportAll(QWidget* parent);
    // Database › Import records…: the records of a FHIR Bundle, or of the Bulk Data folder
    // that holds the NDJSON file chosen, brought in as new patients.
    static void importRecords(QWidget* parent);
};
