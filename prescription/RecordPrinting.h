#pragma once

#include <string>

class QWidget;

// The record screen's printouts of the whole record: on a printer the user chooses, in a
// preview, or exported to a file the user names, as a PDF file or as a FHIR record.
class RecordPrinting {
public:
    static void print(QWidget* parent, const std::string& patientId);
    static void preview(QWidget* parent, const std::string& patientId);
    // The kind of file is the one whose filter the name ends in: "FHIR record (*.json)" or,
    // for any other name, the PDF file.
    static void exportRecord(QWidget* parent, const std::string& patientId);

    // The file name the export offers: "Lastname_Firstname_record.pdf", with nothing in it
    // that a file name cannot hold.
    static std::string suggestedFileName(const std::string& firstName,
                                         const std::string& lastName);
    // fileName with nothing in it that a file name cannot hold.
    static std::string safeFileName(const std::string& fileName);
    // Where a file of that name is offered for an export: in the folder the last export went
    // to, else in the user's documents or home, never in the folder that holds the records.
    static std::string offeredPath(const std::string& fileName);
    // An export went to path: the next one starts in its folder.
    static void rememberFolder(const std::string& path);
};
