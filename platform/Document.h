#pragma once

#include <QString>

class CChildFrame;
class DocTemplate;
class FormView;

// A screen's document: it holds no records, only the screen's title, the file it was opened
// on, and the frame and view it owns.
class Document {
public:
    Document(DocTemplate& owner, const QString& pathName);

    const QString& title() const { return docTitle; }
    void setTitle(const QString& title);
    const QString& pathName() const { return path; }
    DocTemplate& docTemplate() const { return owner; }

    FormView* view() const { return formView; }
    CChildFrame* frame() const { return childFrame; }
    void attach(CChildFrame* frame, FormView* view);

private:
    DocTemplate& owner;
    QString path;
    QString docTitle;
    CChildFrame* childFrame = nullptr;
    FormView* formView = nullptr;
};
