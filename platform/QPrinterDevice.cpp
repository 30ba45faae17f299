#include "platform/QPrinterDevice.h"

#include <QFontMetrics>
#include <QPdfWriter>
#include <QPrinter>

QPrinterDevice::QPrinterDevice(QPrinter& printer)
    : printer(printer),
      nameDocument([&printer](const QString& name) { printer.setDocName(name); }) {}

QPrinterDevice::QPrinterDevice(QPdfWriter& writer)
    : printer(writer), nameDocument([&writer](const QString& name) { writer.setTitle(name); }) {}

QPrinterDevice::~QPrinterDevice() {
    if (painter.isActive())
        painter.end();
}

int QPrinterDevice::dotsPerInchX() const {
    return printer.logicalDpiX();
}

int QPrinterDevice::dotsPerInchY() const {
    return printer.logicalDpiY();
}

int QPrinterDevice::printableWidth() const {
    return printer.pageLayout().paintRectPixels(printer.logicalDpiX()).width();
}

int QPrinterDevice::printableHeight() const {
    return printer.pageLayout().paintRectPixels(printer.logicalDpiY()).height();
}

QMargins QPrinterDevice::paperMargins() const {
    return printer.pageLayout().marginsPixels(printer.logicalDpiX());
}

int QPrinterDevice::textWidth(const std::string& text, const PrintFont& font) const {
    return QFontMetrics(font.on(&printer), &printer)
        .horizontalAdvance(QString::fromStdString(text));
}

bool QPrinterDevice::startDocument(const std::string& name) {
    nameDocument(QString::fromStdString(name));
    return painter.begin(&printer);
}

// The painter opens the first page itself; each later page must be asked for.
void QPrinterDevice::startPage() {
    if (pagesEnded > 0)
        printer.newPage();
}

void QPrinterDevice::drawText(QPoint at, const std::string& text, const PrintFont& font,
                              TextAnchor anchor) {
    const QFont qfont = font.on(&printer);
    const QString run = QString::fromStdString(text);
    const QFontMetrics metrics(qfont, &printer);
    int x = at.x();
    if (anchor == TextAnchor::TopCentre)
        x -= metrics.horizontalAdvance(run) / 2;
    painter.setFont(qfont);
    painter.drawText(QPoint(x, at.y() + metrics.ascent()), run);
}

void QPrinterDevice::drawBitmap(const QImage& image, const QRect& target) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, image);
}

void QPrinterDevice::endPage() {
    ++pagesEnded;
}

void QPrinterDevice::endDocument() {
    painter.end();
}
