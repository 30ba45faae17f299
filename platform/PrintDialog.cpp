#include "platform/PrintDialog.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

void PrintDialog::preview(QWidget* parent, QPrinter& printer,
                          const std::function<void(QPrinter&)>& draw) {
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                     [&draw](QPrinter* pages) { draw(*pages); });
    if (parent)
        dialog.resize(parent->window()->size());
    dialog.exec();
}
