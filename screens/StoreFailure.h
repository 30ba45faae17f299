#pragma once

#include <string>

class QWidget;

// The box a screen shows when a store operation failed: its usual text, or in its place what
// the store has to say about this failure (records on a network drive, a record changed at
// another desk since it was loaded). Shown at once, before any other store operation.
class StoreFailure {
public:
    static void show(QWidget* parent, const std::string& usualText);
};
