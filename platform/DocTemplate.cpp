#include "platform/DocTemplate.h"

#include "platform/CChildFrame.h"
#include "platform/Document.h"
#include "platform/FormView.h"
#include "platform/MdiHost.h"

#include <QFileInfo>

#include <algorithm>

DocTemplate::DocTemplate(int resourceId, QString docName, ViewFactory makeView)
    : resource(resourceId), name(std::move(docName)), makeView(std::move(makeView)) {}

DocTemplate::~DocTemplate() {
    CloseAllDocuments();
}

// An empty path makes an untitled document, bound to no file.
Document* DocTemplate::OpenDocumentFile(const QString& pathName) {
    const QFileInfo file(pathName);
    if (!pathName.isEmpty() && !(file.isFile() && file.isReadable()))
        return nullptr;
    auto doc = std::make_unique<Document>(*this, pathName);
    doc->setTitle(name + QString::number(++untitledCount));
    FormView* view = makeView();
    auto* frame = new CChildFrame(*doc, view);
    doc->attach(frame, view);
    Document* opened = doc.get();
    docs.push_back(std::move(doc));
    if (MdiHost* host = MdiHost::instance())
        host->addFrame(frame);
    view->OnInitialUpdate();
    return opened;
}

std::unique_ptr<Document> DocTemplate::take(const Document& doc) {
    const auto found =
        std::ranges::find_if(docs, [&doc](const auto& each) { return each.get() == &doc; });
    if (found == docs.end())
        return nullptr;
    std::unique_ptr<Document> taken = std::move(*found);
    docs.erase(found);
    return taken;
}

void DocTemplate::giveBack(std::unique_ptr<Document> doc) {
    docs.push_back(std::move(doc));
}

// Closing may be asked from a handler of the very view being closed, so the widgets go
// only when control is back in the event loop; the documents leave the list at once.
void DocTemplate::CloseAllDocuments() {
    std::vector<std::unique_ptr<Document>> closing;
    closing.swap(docs);
    for (auto& doc : closing) {
        CChildFrame* frame = doc->frame();
        if (MdiHost* host = MdiHost::instance())
            host->removeFrame(frame);
        frame->hide();
        frame->deleteLater();
    }
}
