#pragma once

#include "platform/PrintDevice.h"

#include <QSize>
#include <string>
#include <vector>

// A print device that prints nothing and remembers every call, for checking a printout's
// layout to the pixel. It measures texts as Qt draws them at its resolution.
class RecordingPrintDevice : public PrintDevice {
public:
    struct Call {
        enum Kind { StartDocument, StartPage, Text, Bitmap, EndPage, EndDocument };
        Kind kind = StartDocument;
        std::string text = {}; // the text drawn, or the document's name
        QPoint at = {};        // where a text is drawn
        QRect target = {};     // where a bitmap is drawn
        PrintFont font = {};
        TextAnchor anchor = TextAnchor::TopLeft;
        QSize imageSize = {};
        int imageDepth = 0; // bits per pixel
    };

    // The printable area lies paper inside the edges of the paper.
    RecordingPrintDevice(int dotsPerInchX, int dotsPerInchY, QSize printable, bool raster,
                         QMargins paper = {});

    int dotsPerInchX() const override { return dpiX; }
    int dotsPerInchY() const override { return dpiY; }
    int printableWidth() const override { return printable.width(); }
    int printableHeight() const override { return printable.height(); }
    QMargins paperMargins() const override { return paper; }
    bool isRasterPrinter() const override { return raster; }
    int textWidth(const std::string& text, const PrintFont& font) const override;

    bool startDocument(const std::string& name) override;
    void startPage() override;
    void drawText(QPoint at, const std::string& text, const PrintFont& font,
                  TextAnchor anchor) override;
    void drawBitmap(const QImage& image, const QRect& target) override;
    void endPage() override;
    void endDocument() override;

    const std::vector<Call>& calls() const { return recorded; }
    // The texts drawn, in order.
    std::vector<std::string> texts() const;

private:
    int dpiX;
    int dpiY;
    QSize printable;
    bool raster;
    QMargins paper;
    QImage ruler; // blank, but with the device's resolution
    std::vector<Call> recorded;
};
