#include "platform/ComboBox.h"

#include <QLineEdit>
#include <QListView>
#include <QSignalBlocker>
#include <QStringListModel>

#include <algorithm>

namespace {
bool sortsBefore(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}
} // namespace

ComboBox::ComboBox(QWidget* parent, bool editable, bool sorted, bool upperCase)
    : QComboBox(parent), model(new QStringListModel(this)), sorted(sorted), upperCase(upperCase) {
    setModel(model);
    auto* list = new QListView(this);
    list->setUniformItemSizes(true);
    setView(list);
    setEditable(editable);
    setMaxVisibleItems(12);
    if (editable) {
        // Completion is the owner's business, and Enter must never add an entry.
        setCompleter(nullptr);
        setInsertPolicy(QComboBox::NoInsert);
    }
}

int ComboBox::addEntry(const QString& text) {
    const QString entry = shown(text);
    QStringList list = model->stringList();
    int position = list.size();
    if (sorted)
        position = int(std::upper_bound(list.begin(), list.end(), entry, sortsBefore) - list.begin());
    const bool wasEmpty = list.isEmpty();
    const QString editText = isEditable() ? currentText() : QString();
    model->insertRows(position, 1);
    model->setData(model->index(position), entry);
    if (wasEmpty)
        keepNothingSelected(editText);
    return position;
}

void ComboBox::addEntries(const QStringList& texts) {
    const QString editText = isEditable() ? currentText() : QString();
    QStringList list = model->stringList();
    for (const QString& text : texts)
        list.append(shown(text));
    if (sorted)
        std::stable_sort(list.begin(), list.end(), sortsBefore);
    model->setStringList(list);
    keepNothingSelected(editText);
}

// The list widget selects its first entry by itself when a list starts to fill; the owner
// decides what is selected and what the field shows.
void ComboBox::keepNothingSelected(const QString& editText) {
    // Filling the list is not the user's change.
    const QSignalBlocker quiet(this);
    setCurrentIndex(-1);
    if (isEditable())
        setEditText(editText);
}

void ComboBox::removeAllEntries() {
    model->setStringList({});
}

QStringList ComboBox::entries() const {
    return model->stringList();
}

int ComboBox::findPrefix(const QString& prefix) const {
    const QStringList list = model->stringList();
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list[i].startsWith(prefix, Qt::CaseInsensitive))
            return int(i);
    return -1;
}
