#include "screens/AllergyLine.h"

#include "store/HistoryEntryList.h"

#include <QEvent>
#include <QLabel>

namespace {

// The entry type the history dialog stores allergies under.
const char* const kAllergies = "Allergies";

} // namespace

AllergyLine::AllergyLine(QLabel* label) : QObject(label), label(label), usual(label->palette()) {
    label->setTextFormat(Qt::PlainText);
    label->installEventFilter(this);
    label->hide();
}

bool AllergyLine::fetch(const std::string& patientId, std::vector<std::string>& allergies) {
    HistoryEntryList entries;
    if (!entries.Fetch(patientId, kAllergies))
        return false;
    allergies = std::move(entries.m_details);
    return true;
}

std::string AllergyLine::listed(const std::vector<std::string>& allergies) {
    if (allergies.empty())
        return "none recorded";
    std::string joined = allergies.front();
    for (size_t i = 1; i < allergies.size(); ++i)
        joined += "; " + allergies[i];
    return joined;
}

bool AllergyLine::showFor(const std::string& patientId) {
    std::vector<std::string> allergies;
    if (!fetch(patientId, allergies)) {
        show("Allergies: could not be read", true);
        return false;
    }
    show(QString::fromStdString("Allergies: " + listed(allergies)), !allergies.empty());
    return true;
}

void AllergyLine::clear() {
    whole.clear();
    label->clear();
    label->setToolTip(QString());
    label->hide();
}

void AllergyLine::show(const QString& text, bool warns) {
    whole = text;
    QPalette colours = usual;
    if (warns)
        colours.setColor(QPalette::WindowText, Qt::red);
    label->setPalette(colours);
    label->setToolTip(warns ? text : QString());
    // A screen reader reads the whole line, not what the width shows of it.
    label->setAccessibleName(text);
    fitToWidth();
    label->show();
}

void AllergyLine::fitToWidth() {
    label->setText(
        label->fontMetrics().elidedText(whole, Qt::ElideRight, label->contentsRect().width()));
}

// The form grows and shrinks with the window and the zoom: the line is cut anew each time.
bool AllergyLine::eventFilter(QObject* watched, QEvent* event) {
    if (watched == label &&
        (event->type() == QEvent::Resize || event->type() == QEvent::FontChange))
        fitToWidth();
    return QObject::eventFilter(watched, event);
}
