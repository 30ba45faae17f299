#pragma once

#include <QFont>

class QPaintDevice;

// A font asked of a print device. Sizes are in device pixels when pixelHeight is set, else in
// points; with neither the device's default size is used.
struct PrintFont {
    int pixelHeight = 0;
    int pointSize = 0;
    int weight = 400;   // 100 (thin) to 900 (heaviest)
    bool serif = false; // a roman family; otherwise whatever family the device prefers

    bool operator==(const PrintFont&) const = default;

    // The font as Qt draws and measures it on device, points scaled to its resolution.
    QFont on(const QPaintDevice* device) const;
};
