#pragma once

class QWidget;
struct FileFailure;

// Database › Rescue records…: new records from every row of the damaged records file that
// can still be read, put in its place once the user has seen what was saved.
class RescueRecords {
public:
    static void run(QWidget* parent);
    // Tells of the damage a backup found, which it did not copy, and offers the rescue.
    static void offer(QWidget* parent, const FileFailure& damage);
};
