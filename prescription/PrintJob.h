#pragma once

#include <functional>
#include <optional>
#include <string>

class PrintDevice;
class QByteArray;
class QPrinter;
class QWidget;

// Prints on the printer the user chose. A PDF file is drawn in memory first, then written
// beside its name, readable by its owner only, and put in its place once it is wholly on
// disk: a disk without room leaves no part of a document behind, and any earlier file of that
// name stays as it was.
class PrintJob {
public:
    // Why the PDF file could not be written, in the user's words ("The disk is full", or the
    // system's reason); nothing when it was, and always nothing on a printer.
    static std::optional<std::string> print(QPrinter& printer,
                                            const std::function<void(PrintDevice&)>& draw);
    // As print(), at the resolution the printouts are drawn for; a PDF file that could not be
    // written is told to the user, after notDone ("The record was not exported to") and the
    // file's name. False then.
    static bool printOrTell(QWidget* parent, QPrinter& printer,
                            const std::function<void(PrintDevice&)>& draw,
                            const std::string& notDone);
    // Writes a file as print() writes a PDF file: whole or not at all. Why it could not be
    // written, in the user's words; nothing when it was.
    static std::optional<std::string> writeFile(const std::string& path, const QByteArray& data);
};
