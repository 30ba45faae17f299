#include "platform/CChildFrame.h"

#include "platform/FormView.h"

#include <QVBoxLayout>

CChildFrame::CChildFrame(Document& document, FormView* view) : doc(document), formView(view) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
}
