#pragma once

class QWidget;

// Database › Export all records…: every record written as FHIR in a folder the user chooses,
// with the share done shown and a Cancel that leaves the folder as it was.
class RecordsExchange {
public:
    static void exportAll(QWidget* parent);
};
