#include "platform/RecordingPrintDevice.h"

#include <QFontMetrics>

namespace {

int dotsPerMetre(int dotsPerInch) {
    return qRound(dotsPerInch / 0.0254);
}

} // namespace

RecordingPrintDevice::RecordingPrintDevice(int dotsPerInchX, int dotsPerInchY, QSize printable,
                                           bool raster, QMargins paper)
    : dpiX(dotsPerInchX), dpiY(dotsPerInchY), printable(printable), raster(raster), paper(paper),
      ruler(1, 1, QImage::Format_Mono) {
    ruler.setDotsPerMeterX(dotsPerMetre(dpiX));
    ruler.setDotsPerMeterY(dotsPerMetre(dpiY));
}

int RecordingPrintDevice::textWidth(const std::string& text, const PrintFont& font) const {
    return QFontMetrics(font.on(&ruler), &ruler).horizontalAdvance(QString::fromStdString(text));
}

bool RecordingPrintDevice::startDocument(const std::string& name) {
    recorded.push_back({.kind = Call::StartDocument, .text = name});
    return true;
}

void RecordingPrintDevice::startPage() {
    recorded.push_back({.kind = Call::StartPage});
}

void RecordingPrintDevice::drawText(QPoint at, const std::string& text, const PrintFont& font,
                                    TextAnchor anchor) {
    recorded.push_back(
        {.kind = Call::Text, .text = text, .at = at, .font = font, .anchor = anchor});
}

void RecordingPrintDevice::drawBitmap(const QImage& image, const QRect& target) {
    recorded.push_back({.kind = Call::Bitmap,
                        .target = target,
                        .imageSize = image.size(),
                        .imageDepth = image.depth()});
}

void RecordingPrintDevice::endPage() {
    recorded.push_back({.kind = Call::EndPage});
}

void RecordingPrintDevice::endDocument() {
    recorded.push_back({.kind = Call::EndDocument});
}

std::vector<std::string> RecordingPrintDevice::texts() const {
    std::vector<std::string> drawn;
    for (const Call& call : recorded)
        if (call.kind == Call::Text)
            drawn.push_back(call.text);
    return drawn;
}
