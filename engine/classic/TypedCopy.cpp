#include "classic/TypedCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QUrl>

#include <optional>

namespace velmora {

namespace {

// Where <base> goes: after a UTF-8 byte-order mark (read as Latin-1), comments, an XML declaration
// and the doctype, so the document keeps its rendering mode.
qsizetype BaseInsertionPoint(const QString& text) {
    static const QRegularExpression prologue(
        QStringLiteral(R"(^(?:\x{EF}\x{BB}\x{BF})?(?:\s+|<!--.*?-->|<\?xml[^>]*\?>|<!doctype[^>]*>)*)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return prologue.match(text).capturedLength();
}

// A document in UTF-16 or UTF-32 says so with a byte-order mark; any other is handled as Latin-1,
// which keeps every byte as it was.
std::optional<QStringConverter::Encoding> WideEncoding(const QByteArray& content) {
    const auto bomEncoding = QStringConverter::encodingForData(content);
    if (bomEncoding && *bomEncoding != QStringConverter::Utf8)
        return bomEncoding;
    return std::nullopt;
}

// The document with a <base> naming its own folder, in its own encoding.
QByteArray WithBase(const QByteArray& content, const QString& folder) {
    const auto wide = WideEncoding(content);
    const QStringConverter::Encoding encoding = wide.value_or(QStringConverter::Latin1);
    QString text = QStringDecoder(encoding).decode(content);
    const QString url = QString::fromLatin1(QUrl::fromLocalFile(folder + QLatin1Char('/')).toEncoded());
    text.insert(BaseInsertionPoint(text), QStringLiteral("<base href=\"%1\">").arg(url.toHtmlEscaped()));
    return QStringEncoder(encoding, wide ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default)
        .encode(text);
}

} // namespace

TypedCopy::TypedCopy(const QString& documentPath) : m_path(documentPath) {
    const QMimeDatabase mimes;
    const QFileInfo document(documentPath);
    if (!mimes.mimeTypeForFile(document, QMimeDatabase::MatchExtension).isDefault())
        return;
    QFile file(documentPath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = file.readAll();
    // The content sniffer reads bytes, so wide text is shown to it as UTF-8.
    const auto wide = WideEncoding(content);
    const QMimeType kind =
        mimes.mimeTypeForData(wide ? QString(QStringDecoder(*wide).decode(content)).toUtf8() : content);
    const bool html = kind.inherits(QStringLiteral("text/html"));
    if (!html && !kind.inherits(QStringLiteral("text/plain")))
        return;
    if (!m_folder.isValid())
        return;
    const QString copyPath = m_folder.filePath(QStringLiteral("document") +
                                               (html ? QStringLiteral(".html") : QStringLiteral(".txt")));
    QSaveFile copy(copyPath);
    if (!copy.open(QIODevice::WriteOnly) ||
        copy.write(html ? WithBase(content, document.absolutePath()) : content) < 0 || !copy.commit())
        return;
    m_path = copyPath;
}

} // namespace velmora
