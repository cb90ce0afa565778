#include "render/PendingPdf.h"

#include "platform/Leftovers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStorageInfo>

#include <filesystem>
#include <system_error>

namespace velmora {

namespace {

// The trailer may be followed by a line end or, after incremental updates, a little padding.
constexpr qint64 kTrailerWindow = 1024;
constexpr int kCreateAttempts = 16;
const QString kPartFilePrefix = QStringLiteral(".velmora-");
const QString kPartFileSuffix = QStringLiteral(".part");
// A write that failed for want of room used up what was left; other causes leave more than this.
constexpr qint64 kFullDiskBytes = 1024 * 1024;
const QString kCutOffReason =
    QStringLiteral("The PDF could not be written completely; the disk may be full.");

std::filesystem::path NativePath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// A converter that meets a full disk may still end well, leaving an empty or cut-off file: only the
// disk itself tells why.
bool DiskIsFull(const QString& path) {
    const QStorageInfo storage(QFileInfo(path).absolutePath());
    return storage.isValid() && storage.bytesAvailable() < kFullDiskBytes;
}

} // namespace

bool IsCompletePdf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.read(5) != "%PDF-")
        return false;
    const qint64 size = file.size();
    if (!file.seek(qMax<qint64>(0, size - kTrailerWindow)))
        return false;
    return file.readAll().contains("%%EOF");
}

QString ReplaceFile(const QString& from, const QString& to) {
    std::error_code error;
    std::filesystem::rename(NativePath(from), NativePath(to), error);
    return error ? QString::fromStdString(error.message()) : QString();
}

std::unique_ptr<PendingPdf> PendingPdf::Create(const QString& finalPath, QString& error) {
    const QFileInfo final(finalPath);
    // A short hidden name that names its program, so a later run can remove it if the program is gone.
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        const QString name = QStringLiteral("%1%2-%3%4")
                                 .arg(kPartFilePrefix, OwnerTag())
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
                                 .arg(kPartFileSuffix);
        const QString path = final.dir().absoluteFilePath(name);
        QFile file(path);
        // NewOnly never opens an existing file, nor follows a link planted under the name.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            error.clear();
            return std::unique_ptr<PendingPdf>(
                new PendingPdf(path, QDir::toNativeSeparators(final.absoluteFilePath())));
        }
        const QFileInfo taken(path);
        if (!taken.exists() && !taken.isSymLink()) {
            error = file.errorString();
            return nullptr;
        }
    }
    error = QStringLiteral("no free temporary name");
    return nullptr;
}

void RemoveAbandonedPartFiles(const QString& folder) {
    RemoveAbandoned(folder, kPartFilePrefix, kPartFileSuffix, LeftoverKind::File);
}

PendingPdf::~PendingPdf() {
    if (!m_committed)
        QFile::remove(m_temporaryPath);
}

void PendingPdf::SetFinalPath(const QString& finalPath) {
    m_finalPath = QDir::toNativeSeparators(QFileInfo(finalPath).absoluteFilePath());
}

QString PendingPdf::CheckWritten() const {
    if (IsCompletePdf(m_temporaryPath))
        return {};
    if (DiskIsFull(m_temporaryPath))
        return kDiskFullReason;
    return QFileInfo(m_temporaryPath).size() == 0 ? QStringLiteral("No PDF was written.") : kCutOffReason;
}

QString PendingPdf::Rewrite(const PdfStep& step) {
    QString error;
    const std::unique_ptr<PendingPdf> rewritten = Create(m_finalPath, error);
    if (!rewritten)
        return QStringLiteral("The PDF could not be finished in the target folder (%1).").arg(error);
    if (const QString problem = step(m_temporaryPath, rewritten->m_temporaryPath); !problem.isEmpty())
        return problem;
    if (!IsCompletePdf(rewritten->m_temporaryPath))
        return DiskIsFull(rewritten->m_temporaryPath) ? kDiskFullReason : kCutOffReason;
    if (const QString moved = ReplaceFile(rewritten->m_temporaryPath, m_temporaryPath); !moved.isEmpty())
        return QStringLiteral("The PDF could not be finished in the target folder (%1).").arg(moved);
    rewritten->m_committed = true;
    return {};
}

QString PendingPdf::Commit(const PdfStep& step) {
    if (const QString problem = CheckWritten(); !problem.isEmpty())
        return problem;
    if (step)
        if (const QString problem = Rewrite(step); !problem.isEmpty())
            return problem;
    const QString error = ReplaceFile(m_temporaryPath, m_finalPath);
    if (!error.isEmpty())
        return QStringLiteral("The PDF could not be saved as \"%1\" (%2).")
            .arg(QDir::toNativeSeparators(m_finalPath), error);
    m_committed = true;
    return {};
}

} // namespace velmora
