#include "app/PlaceholderView.h"

#include "app/CKLApp.h"
#include "app/CMainFrame.h"
#include "platform/DocTemplate.h"

#include <QLabel>
#include <QPushButton>

PlaceholderView::PlaceholderView(int screenIndex, const FormTemplate& form) : FormView(form) {
    QWidget* page = widget();
    auto* note = new QLabel("This screen is not available yet.", page);
    note->setGeometry(10, 10, 300, 20);
    auto* back = new QPushButton("Close", page);
    back->setGeometry(10, 40, 75, 24);
    connect(back, &QPushButton::clicked, this, [screenIndex] {
        CKLApp::instance().templates()[screenIndex]->CloseAllDocuments();
        CMainFrame::OpenMainMenu();
    });
}
