#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class Document;
class FormView;

// Makes a screen: a new document, its frame and its view, every time it is asked, so a screen
// opened twice has two instances. The resource number names the screen's menu.
class DocTemplate {
public:
    using ViewFactory = std::function<FormView*()>;

    DocTemplate(int resourceId, QString docName, ViewFactory makeView);
    ~DocTemplate();

    int resourceId() const { return resource; }
    const QString& docName() const { return name; }

    // The new document, or null when the file it is bound to cannot be read.
    Document* OpenDocumentFile(const QString& pathName);
    void CloseAllDocuments();
    const std::vector<std::unique_ptr<Document>>& documents() const { return docs; }
    // The document leaves the template whole, with its frame and view, to come back later
    // through giveBack(); the host is told by whoever takes it.
    std::unique_ptr<Document> take(const Document& doc);
    void giveBack(std::unique_ptr<Document> doc);

private:
    int resource;
    QString name;
    ViewFactory makeView;
    int untitledCount = 0;
    std::vector<std::unique_ptr<Document>> docs;
};
