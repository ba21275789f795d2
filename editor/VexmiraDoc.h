#pragma once
// The document that comes with every child window. It carries no image data
// (the editor holds the frames and saves them itself); only its title, which
// the child window shows, is used.

#include <QString>

namespace vex {

// Window title, document name, new-file name, filter, extension, file type
// id and file type name of the single document type.
inline constexpr const char* kDocumentTemplate = "\nVexmi\nVexmi\n\n\nVexmira.Document\nVexmi Document";

class CVexmiraDoc {
public:
    // A new document: not modified, no path, the default title.
    void OnNewDocument(int number)
    {
        modified_ = false;
        path_.clear();
        title_ = QStringLiteral("Vexmi%1").arg(number);
    }
    const QString& GetTitle() const { return title_; }
    void SetTitle(const QString& title) { title_ = title; }
    const QString& GetPathName() const { return path_; }
    bool IsModified() const { return modified_; }

private:
    QString title_;
    QString path_;
    bool modified_ = false;
};

} // namespace vex
