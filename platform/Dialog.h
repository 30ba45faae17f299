#pragma once

#include "platform/FormBase.h"

#include <QDialog>

// A modal dialog built from a form template, drawn at the scale of the screen behind it.
// Button 1 is OK and button 2 Cancel, as are Enter and Escape; the caption's close button
// cancels.
class Dialog : public QDialog, public FormBase {
    Q_OBJECT
public:
    explicit Dialog(const FormTemplate& form, QWidget* parent = nullptr);

    int DoModal();
    void EndDialog(int result);

protected:
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    void reject() override;
    void showEvent(QShowEvent* event) override;

private:
    bool initialised = false;
};
