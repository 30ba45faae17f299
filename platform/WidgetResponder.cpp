#include "platform/WidgetResponder.h"

#include "platform/FormTemplate.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace {

QMessageBox::Icon toQtIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Stop:
        return QMessageBox::Critical;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QWidget* ownerOf(QWidget* parent) {
    return parent ? parent->window() : QApplication::activeWindow();
}

} // namespace

int WidgetResponder::messageBox(QWidget* parent, const BoxRecord& box) {
    const bool yesNo = box.buttons == MsgButtons::YesNo;
    QMessageBox dialog(toQtIcon(box.icon), QString::fromStdString(box.caption),
                       QString::fromStdString(box.text),
                       yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                       ownerOf(parent));
    dialog.setDefaultButton(yesNo ? QMessageBox::Yes : QMessageBox::Ok);
    const int answer = dialog.exec();
    if (!yesNo)
        return IDOK;
    return answer == QMessageBox::Yes ? IDYES : IDNO;
}

std::optional<std::string> WidgetResponder::fileDialog(QWidget* parent,
                                                       const FileRequest& request) {
    QFileDialog dialog(ownerOf(parent));
    const bool saving = request.mode == FileRequest::Save;
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromStdString(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!request.initialName.empty())
        dialog.selectFile(QString::fromStdString(request.initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

bool WidgetResponder::printDialog(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, ownerOf(parent));
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(1, 65535);
    return dialog.exec() == QDialog::Accepted;
}
