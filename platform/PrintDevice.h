#pragma once

#include "platform/PrintFont.h"

#include <QImage>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <string>

// Where a text's point lies on it: its top-left corner, or the middle of its top edge.
enum class TextAnchor { TopLeft, TopCentre };

// What a printout draws on. Coordinates are device pixels from the top-left corner of the
// printable area, x to the right and y downwards.
class PrintDevice {
public:
    virtual ~PrintDevice() = default;

    virtual int dotsPerInchX() const = 0;
    virtual int dotsPerInchY() const = 0;
    virtual int printableWidth() const = 0;
    virtual int printableHeight() const = 0;
    // How far the printable area lies inside each edge of the paper: the printer's unprintable
    // area, or the margins chosen for the page when they are wider.
    virtual QMargins paperMargins() const = 0;
    // Raster printers can reproduce bitmaps; plotters and the like cannot.
    virtual bool isRasterPrinter() const = 0;
    // How far text drawn in font reaches across the device, in device pixels.
    virtual int textWidth(const std::string& text, const PrintFont& font) const = 0;

    // False when the job could not be started; nothing should then be drawn.
    virtual bool startDocument(const std::string& name) = 0;
    virtual void startPage() = 0;
    // One run of text, never wrapped; line breaks in it are not interpreted.
    virtual void drawText(QPoint at, const std::string& text, const PrintFont& font,
                          TextAnchor anchor) = 0;
    // The image stretched into target, its pixels copied as they are.
    virtual void drawBitmap(const QImage& image, const QRect& target) = 0;
    virtual void endPage() = 0;
    virtual void endDocument() = 0;
};
