#pragma once

#include <QByteArray>
#include <QString>

#include <qpdf/QPDF.hh>

#include <memory>
#include <string>
#include <vector>

namespace velmora::pdf {

// A path as qpdf takes it: the platform's separators, in the file system's encoding.
std::string FileName(const QString& path);

// The document information's Title; empty when it has none.
QString DocumentTitle(QPDF& pdf);

// A PDF read whole into memory: qpdf reads a file on disk in many small seeks, which costs more than the
// work done on it. Documents whose objects were copied into it are kept until it is written.
class LoadedPdf {
public:
    explicit LoadedPdf(const QString& path); // throws std::exception when it cannot be read
    LoadedPdf(const LoadedPdf&) = delete;
    LoadedPdf& operator=(const LoadedPdf&) = delete;

    QPDF& Document() { return *m_pdf; }
    void Keep(std::shared_ptr<void> source) { m_kept.push_back(std::move(source)); }
    // Writes the document to `path`, its streams as they are (throws on failure).
    void Write(const QString& path);

private:
    QByteArray m_data; // read by m_pdf for as long as it lives
    std::vector<std::shared_ptr<void>> m_kept;
    std::unique_ptr<QPDF> m_pdf;
};

// Writes `pdf` to `path`, its streams as they are: decoding and compressing them again would cost more
// than all the rest and change nothing (throws on failure).
void WritePdf(QPDF& pdf, const QString& path);

} // namespace velmora::pdf
