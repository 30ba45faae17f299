#include "platform/Dialog.h"

#include "platform/FormScale.h"
#include "platform/FormView.h"
#include "platform/MdiHost.h"

#include <QApplication>
#include <QPushButton>

Dialog::Dialog(const FormTemplate& form, QWidget* parent)
    : QDialog(parent ? parent : QApplication::activeWindow()) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QString::fromUtf8(form.caption));
    setModal(true);
    buildForm(form, this);
    const FormView* behind = MdiHost::instance() ? MdiHost::instance()->activeView() : nullptr;
    const double scale = behind ? behind->scale() : 1.0;
    layOut(scale);
    setFixedSize(FormScale::scaled(formSize().width(), scale),
                 FormScale::scaled(formSize().height(), scale));
    if (QPushButton* button = defaultButton())
        button->setDefault(true);
    onClicked(IDOK, [this] { OnOK(); });
    onClicked(IDCANCEL, [this] { OnCancel(); });
}

int Dialog::DoModal() {
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

void Dialog::EndDialog(int result) {
    done(result == IDOK ? QDialog::Accepted : QDialog::Rejected);
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::OnOK() {
    UpdateData(true);
    EndDialog(IDOK);
}

void Dialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void Dialog::reject() {
    OnCancel();
}

void Dialog::showEvent(QShowEvent* event) {
    if (!initialised) {
        initialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}
