#pragma once

#include <QComboBox>
#include <QStringList>

class QStringListModel;

// A combo box whose list is sorted by the control when asked to be, shows capitals when asked
// to, and finds the first entry beginning with a text quickly even in very long lists.
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    ComboBox(QWidget* parent, bool editable, bool sorted, bool upperCase);

    // Adds one entry where it belongs (at the end of an unsorted list); returns its position.
    int addEntry(const QString& text);
    // Adds many entries at once, each where it belongs.
    void addEntries(const QStringList& texts);
    void removeAllEntries();
    QStringList entries() const;

    // Position of the first entry, from the top, that begins with prefix, letter case
    // ignored; -1 when none does.
    int findPrefix(const QString& prefix) const;

private:
    void keepNothingSelected(const QString& editText);
    QString shown(const QString& text) const { return upperCase ? text.toUpper() : text; }

    QStringListModel* model;
    bool sorted;
    bool upperCase;
};
