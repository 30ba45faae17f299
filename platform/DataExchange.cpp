#include "platform/DataExchange.h"

#include "platform/ComboBox.h"
#include "platform/FieldText.h"
#include "platform/FieldValidator.h"
#include "platform/FormBase.h"
#include "platform/MultiLineEdit.h"

#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <cmath>

namespace {

const QDate kEpoch(1899, 12, 30);

QString cut(const QString& text, int maxChars) {
    return maxChars > 0 ? FieldText::cut(text, maxChars) : text;
}

} // namespace

void DataExchange::text(int id, std::string& value, int maxChars) {
    QWidget* widget = form.controlWidget(id);
    QLineEdit* edit = qobject_cast<QLineEdit*>(widget);
    auto* combo = qobject_cast<ComboBox*>(widget);
    if (combo && combo->isEditable())
        edit = combo->lineEdit();
    if (edit) {
        if (saving) {
            value = cut(edit->text(), maxChars).toStdString();
        } else {
            FieldValidator::of(edit)->setMaxChars(maxChars);
            edit->setText(QString::fromStdString(value));
        }
    } else if (auto* multi = qobject_cast<MultiLineEdit*>(widget)) {
        if (saving) {
            value = cut(multi->toPlainText(), maxChars).toStdString();
        } else {
            multi->setMaxLength(maxChars);
            multi->setPlainText(QString::fromStdString(value));
        }
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (saving)
            value = label->text().toStdString();
        else
            label->setText(QString::fromStdString(value));
    }
}

void DataExchange::selection(int id, int& index) {
    QWidget* widget = form.controlWidget(id);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (saving)
            index = combo->currentIndex();
        else
            combo->setCurrentIndex(index);
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        if (saving)
            index = list->currentRow();
        else
            list->setCurrentRow(index);
    }
}

void DataExchange::selectedText(int id, std::string& value) {
    QWidget* widget = form.controlWidget(id);
    if (auto* list = qobject_cast<QListWidget*>(widget)) {
        if (saving) {
            QListWidgetItem* item = list->currentItem();
            value = item && item->isSelected() ? item->text().toStdString() : std::string();
        } else {
            const auto found = list->findItems(QString::fromStdString(value), Qt::MatchExactly);
            list->setCurrentItem(found.isEmpty() ? nullptr : found.first());
        }
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (saving)
            value = combo->currentText().toStdString();
        else
            combo->setCurrentIndex(combo->findText(QString::fromStdString(value)));
    }
}

void DataExchange::radio(int firstId, int& index) {
    if (saving)
        index = form.radioIndex(firstId);
    else
        form.setRadioIndex(firstId, index);
}

void DataExchange::date(int id, DateTime& value) {
    auto* picker = form.control<QDateTimeEdit>(id);
    if (!picker)
        return;
    if (saving)
        value = fromQDateTime(picker->dateTime());
    else
        picker->setDateTime(toQDateTime(value));
}

QDateTime DataExchange::toQDateTime(DateTime value) {
    double days = std::floor(value.days());
    qint64 seconds = std::llround((value.days() - days) * 86400.0);
    if (seconds >= 86400) {
        days += 1;
        seconds -= 86400;
    }
    // Civil fields, not elapsed seconds, so a clock change that day moves nothing.
    return QDateTime(kEpoch.addDays(qint64(days)), QTime::fromMSecsSinceStartOfDay(int(seconds) * 1000));
}

DateTime DataExchange::fromQDateTime(const QDateTime& value) {
    const QDate d = value.date();
    const QTime t = value.time();
    return DateTime::fromCivil(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}
