#include "platform/Document.h"

#include "platform/CChildFrame.h"
#include "platform/MdiHost.h"

Document::Document(DocTemplate& owner, const QString& pathName) : owner(owner), path(pathName) {}

void Document::setTitle(const QString& title) {
    docTitle = title;
    if (!childFrame)
        return;
    childFrame->setWindowTitle(title);
    if (MdiHost* host = MdiHost::instance())
        host->frameTitleChanged(childFrame);
}

void Document::attach(CChildFrame* frame, FormView* view) {
    childFrame = frame;
    formView = view;
    frame->setWindowTitle(docTitle);
}
