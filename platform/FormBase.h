#pragma once

#include "platform/FormBuilder.h"

#include <QWidget>
#include <functional>
#include <map>

class DataExchange;
class QPushButton;

// What screens and dialogs share: their controls found by id, the exchange of values between
// members and controls, button handlers, and change notifications that only user edits raise.
class FormBase {
public:
    virtual ~FormBase() = default;

    template <class T> T* control(int id) const {
        auto found = built.controls.find(id);
        return found == built.controls.end() ? nullptr : qobject_cast<T*>(found->second);
    }
    QWidget* controlWidget(int id) const;

    // true: controls into members; false: members into controls.
    bool UpdateData(bool saveAndValidate = true);
    virtual void DoDataExchange(DataExchange&) {}

    // Selected index in the radio group that starts with firstId; -1 when none.
    int radioIndex(int firstId) const;
    void setRadioIndex(int firstId, int index);

    void onClicked(int id, std::function<void()> handler);
    // Runs handler when the user changes the control; never while the program fills it.
    void onChanged(int id, std::function<void()> handler);

    void setControlText(int id, const QString& text);
    void enableControl(int id, bool enable);
    QPushButton* defaultButton() const { return built.defaultButton; }
    bool filling() const { return fillDepth > 0; }

protected:
    void buildForm(const FormTemplate& form, QWidget* page);
    QSize formSize() const { return built.size; }

private:
    friend class DataExchange;
    BuiltForm built;
    int fillDepth = 0;
};
