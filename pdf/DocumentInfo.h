#pragma once

#include <QDateTime>
#include <QString>

class QPDF;

namespace velmora::pdf {

inline const QString kCreatorName = QStringLiteral("Velmora Free HTML to PDF Converter 2.0");

// What a PDF the program writes says about itself.
struct DocumentInfo {
    QString title;   // the page's title; empty: none (an engine's own stand-in is removed)
    QString subject; // the source address or file
    QDateTime made;  // creation and modification date
};

// A date in the PDF's own form, D:YYYYMMDDHHmmSS+HH'mm'.
QString PdfDate(const QDateTime& moment);

// Sets the document information's Title, Subject, Creator, CreationDate and ModDate; the engine's
// Producer stays.
void SetDocumentInfo(QPDF& pdf, const DocumentInfo& info);

} // namespace velmora::pdf
