#include "PdfDocument.h"

#include <QDir>
#include <QFile>

#include <qpdf/QPDFWriter.hh>

#include <stdexcept>

namespace velmora::pdf {

// qpdf takes file names as UTF-8 (on Windows it turns them into the system's wide names itself), as Qt 6
// names files elsewhere; its messages carry them back the same way.
std::string FileName(const QString& path) {
    return QDir::toNativeSeparators(path).toStdString();
}

QString DocumentTitle(QPDF& pdf) {
    QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
    if (info.isDictionary() && info.getKey("/Title").isString())
        return QString::fromStdString(info.getKey("/Title").getUTF8Value());
    return {};
}

LoadedPdf::LoadedPdf(const QString& path) : m_pdf(std::make_unique<QPDF>()) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(file.errorString().toStdString());
    m_data = file.readAll();
    m_pdf->setSuppressWarnings(true);
    m_pdf->processMemoryFile(FileName(path).c_str(), m_data.constData(), std::size_t(m_data.size()));
}

void LoadedPdf::Write(const QString& path) {
    WritePdf(*m_pdf, path);
}

void WritePdf(QPDF& pdf, const QString& path) {
    // The writer keeps the name's pointer and opens the file only in write(): the name must outlive it.
    const std::string name = FileName(path);
    QPDFWriter writer(pdf, name.c_str());
    writer.setDecodeLevel(qpdf_dl_none);
    writer.write();
}

} // namespace velmora::pdf
