#include "platform/PrintFont.h"

#include <QStringList>

QFont PrintFont::on(const QPaintDevice* device) const {
    QFont font(QFont(), device);
    if (serif) {
        font.setFamilies({"serif"});
        font.setStyleHint(QFont::Serif);
    }
    if (pixelHeight > 0)
        font.setPixelSize(pixelHeight);
    else if (pointSize > 0)
        font.setPointSize(pointSize);
    font.setWeight(QFont::Weight(weight));
    return font;
}
