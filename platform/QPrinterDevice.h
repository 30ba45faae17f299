#pragma once

#include "platform/PrintDevice.h"

#include <QPainter>

#include <functional>

class QPagedPaintDevice;
class QPdfWriter;
class QPrinter;

// Prints through a QPrinter, a CUPS queue or a PDF file, or into a PDF document in memory:
// raster devices whose pixels are the printer's own at its resolution.
class QPrinterDevice : public PrintDevice {
public:
    explicit QPrinterDevice(QPrinter& printer);
    explicit QPrinterDevice(QPdfWriter& writer);
    ~QPrinterDevice() override;

    int dotsPerInchX() const override;
    int dotsPerInchY() const override;
    int printableWidth() const override;
    int printableHeight() const override;
    QMargins paperMargins() const override;
    bool isRasterPrinter() const override { return true; }
    int textWidth(const std::string& text, const PrintFont& font) const override;

    bool startDocument(const std::string& name) override;
    void startPage() override;
    void drawText(QPoint at, const std::string& text, const PrintFont& font,
                  TextAnchor anchor) override;
    void drawBitmap(const QImage& image, const QRect& target) override;
    void endPage() override;
    void endDocument() override;

private:
    QPagedPaintDevice& printer;
    std::function<void(const QString&)> nameDocument;
    QPainter painter;
    int pagesEnded = 0;
};
