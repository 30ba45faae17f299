#pragma once

#include "store/DateTime.h"

#include <QDateTime>
#include <string>

class FormBase;

// One exchange between a form's members and its controls, in the direction UpdateData chose.
// Showing members also sets each control's typing limit; reading cuts a text to its limit.
class DataExchange {
public:
    DataExchange(FormBase& form, bool saving) : form(form), saving(saving) {}

    bool isSaving() const { return saving; }

    // Edits, multi-line edits, the edit field of a combo box, and labels.
    void text(int id, std::string& value, int maxChars = 0);
    // The selected position of a combo box or list box; -1 when none.
    void selection(int id, int& index);
    // The selected text of a list box or non-editable combo box; shown by selecting it.
    void selectedText(int id, std::string& value);
    void radio(int firstId, int& index);
    void date(int id, DateTime& value);

    static QDateTime toQDateTime(DateTime value);
    static DateTime fromQDateTime(const QDateTime& value);

private:
    FormBase& form;
    bool saving;
};
