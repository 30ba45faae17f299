#include "app/AboutDialog.h"

#include "res/Forms.h"
#include "res/resource.h"

#include <QIcon>
#include <QLabel>

AboutDialog::AboutDialog(QWidget* parent) : Dialog(kAboutForm, parent) {
    if (auto* icon = control<QLabel>(IDC_ABOUT_ICON))
        icon->setPixmap(QIcon(":/icons/medora.svg").pixmap(32, 32));
}
