#pragma once

#include <QString>
#include <QTemporaryDir>

namespace velmora {

// The Classic converter tells a local document's kind by its name alone and takes a name it cannot
// place ("LICENSE", "--help") for a download. Such a document is converted from a private copy with a
// telling name instead: ".txt" for text, ".html" for HTML, whose copy names the original's folder as
// its base so its relative links still reach the files beside the original.
class TypedCopy {
public:
    // Makes the copy when the document needs one. Path() is then the copy, else the document itself,
    // also when its name already tells its kind, its content is neither HTML nor text, or the copy
    // could not be written (the converter then fails it with the reason it would have anyway).
    explicit TypedCopy(const QString& documentPath);
    QString Path() const { return m_path; }

private:
    QTemporaryDir m_folder;
    QString m_path;
};

} // namespace velmora
