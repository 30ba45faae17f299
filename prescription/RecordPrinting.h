#pragma once

#include <string>

class QWidget;

// The record screen's printouts of the whole record: on a printer the user chooses, in a
// preview, or as a PDF file the user names.
class RecordPrinting {
public:
    static void print(QWidget* parent, const std::string& patientId);
    static void preview(QWidget* parent, const std::string& patientId);
    static void exportPdf(QWidget* parent, const std::string& patientId);

    // The file name the export offers: "Lastname_Firstname_record.pdf", with nothing in it
    // that a file name cannot hold.
    static std::string suggestedFileName(const std::string& firstName,
                                         const std::string& lastName);
};
