#pragma once

#include <QString>

class QWidget;

// On a start in a folder without a records database, offers to create an empty one from the
// database supplied with the program. It never overwrites a file that is there, and offers
// nothing while the records are on the clinic's server.
class FirstStart {
public:
    static void offerEmptyDatabase(QWidget* owner);

    // The supplied empty database: the file MEDORA_SUPPLIED_DB names, else the one installed
    // under share/medora, else the one at the top of the build.
    static QString suppliedDatabase();
};
