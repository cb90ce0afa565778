#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace velmora {

// Why a PDF is missing or cut short when its disk has no room left, in both engines.
inline const QString kDiskFullReason = QStringLiteral("The PDF file could not be written: the disk is full.");

// True when the file starts like a PDF and ends with its end-of-file trailer, i.e. was written whole.
bool IsCompletePdf(const QString& path);

// Work on a finished PDF before it takes its final name: reads `from` and writes the new PDF to `to`.
// Empty on success, else one plain sentence.
using PdfStep = std::function<QString(const QString& from, const QString& to)>;

// Renames `from` over `to` in one step; a link at `to` is replaced, not followed. Empty on success,
// else why not.
QString ReplaceFile(const QString& from, const QString& to);

// Removes the temporary files in `folder` that a program now gone (killed, crashed) left behind.
void RemoveAbandonedPartFiles(const QString& folder);

// A new temporary file beside a PDF's final path that an engine writes into. It takes the final name
// only when it holds a complete PDF; until then the final name keeps whatever it held before, and the
// temporary file is removed whatever happens.
class PendingPdf {
public:
    // Empty `error` on success; otherwise why the file could not be created, and nullptr.
    static std::unique_ptr<PendingPdf> Create(const QString& finalPath, QString& error);
    ~PendingPdf();
    PendingPdf(const PendingPdf&) = delete;
    PendingPdf& operator=(const PendingPdf&) = delete;

    QString TemporaryPath() const { return m_temporaryPath; }
    QString FinalPath() const { return m_finalPath; } // absolute, in the platform's own form
    // Another final name in the same folder (e.g. one known only once the page has been read).
    void SetFinalPath(const QString& finalPath);

    // Empty when the engine wrote a complete PDF, else the reason.
    QString CheckWritten() const;
    // Lets `step` rewrite the file through a second temporary file, which replaces it only when whole.
    // Touches only files, so it may run on any thread. Empty on success, else the reason.
    QString Rewrite(const PdfStep& step);
    // Checks the written file, lets `step` (if any) rewrite it, checks again and moves it to the final
    // name. Empty on success, else the reason.
    QString Commit(const PdfStep& step = {});

private:
    PendingPdf(QString temporaryPath, QString finalPath)
        : m_temporaryPath(std::move(temporaryPath)), m_finalPath(std::move(finalPath)) {}

    QString m_temporaryPath;
    QString m_finalPath;
    bool m_committed = false;
};

} // namespace velmora
