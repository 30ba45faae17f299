#include "platform/WidgetResponder.h"

#include "platform/FormTemplate.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>

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

QMessageBox::StandardButtons toQtButtons(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoDefaultNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// The button Enter presses.
QMessageBox::StandardButton defaultOf(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::Ok:
        return QMessageBox::Ok;
    case MsgButtons::YesNoDefaultNo:
        return QMessageBox::No;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        break;
    }
    return QMessageBox::Yes;
}

int fromQtAnswer(int answer) {
    switch (answer) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    }
    return IDOK;
}

} // namespace

int WidgetResponder::messageBox(QWidget* parent, const BoxRecord& box) {
    const bool ok = box.buttons == MsgButtons::Ok;
    QMessageBox dialog(toQtIcon(box.icon), QString::fromStdString(box.caption),
                       QString::fromStdString(box.text), toQtButtons(box.buttons),
                       ownerOf(parent));
    dialog.setDefaultButton(defaultOf(box.buttons));
    if (box.buttons == MsgButtons::YesNoCancel)
        dialog.setEscapeButton(QMessageBox::Cancel);
    const int answer = dialog.exec();
    // Closing a yes/no box without answering means no.
    const bool yesNo =
        box.buttons == MsgButtons::YesNo || box.buttons == MsgButtons::YesNoDefaultNo;
    if (yesNo && answer != QMessageBox::Yes)
        return IDNO;
    return ok ? IDOK : fromQtAnswer(answer);
}

std::optional<std::string> WidgetResponder::fileDialog(QWidget* parent,
                                                       const FileRequest& request) {
    if (request.mode == FileRequest::Folder)
        return chooseFolder(parent, request);
    QFileDialog dialog(ownerOf(parent));
    const bool saving = request.mode == FileRequest::Save;
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromStdString(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    // Of several kinds of file, a name typed without extension gets the chosen kind's.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& kind) {
                         const QRegularExpressionMatch suffix =
                             QRegularExpression(R"(\(\*\.(\w+)\))").match(kind);
                         if (suffix.hasMatch())
                             dialog.setDefaultSuffix(suffix.captured(1));
                     });
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!request.initialName.empty())
        dialog.selectFile(QString::fromStdString(request.initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> WidgetResponder::chooseFolder(QWidget* parent,
                                                         const FileRequest& request) {
    const QString chosen = QFileDialog::getExistingDirectory(
        ownerOf(parent), QString(), QString::fromStdString(request.initialName));
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.toStdString();
}

bool WidgetResponder::printDialog(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, ownerOf(parent));
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(1, 65535);
    return dialog.exec() == QDialog::Accepted;
}

bool WidgetResponder::pageSetupDialog(QWidget* parent, QPrinter& printer) {
    QPageSetupDialog dialog(&printer, ownerOf(parent));
    return dialog.exec() == QDialog::Accepted;
}
