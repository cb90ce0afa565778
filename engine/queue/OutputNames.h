#pragma once

#include "queue/TextRules.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace velmora {

// Longest file name (".pdf" included) the file system accepts: UTF-16 code units on Windows, UTF-8 bytes
// on POSIX.
inline constexpr int kMaxFileNameLength = 255;

// Makes the output paths of one run safe to write: names too long for the file system are shortened,
// and a path equal to an earlier one (ignoring letter case for Windows) gets " (2)", " (3)", ... before
// ".pdf". Paths are returned in the same order.
QStringList UniqueOutputPaths(const QStringList& paths, PathStyle style = kNativePathStyle);

// The same rule one path at a time, for names known only as rows end (names from titles) or after the
// run (the combined file): each Claim() returns the path made safe and distinct from every path
// claimed before.
class OutputNamer {
public:
    explicit OutputNamer(PathStyle style = kNativePathStyle) : m_style(style) {}
    QString Claim(const QString& path);

private:
    PathStyle m_style;
    QSet<QString> m_taken;
    QHash<QString, int> m_nextCopy;
};

// Whether two paths name the same file once each is made safe as Claim() makes it (before numbering).
bool SameOutputPath(const QString& a, const QString& b, PathStyle style = kNativePathStyle);

// The path of a PDF named after a page's title in `folder`, before numbering: the title's white space
// made single spaces, path separators and leading dots replaced. Empty when the title gives no name
// (none, only blanks or dots): the caller names the PDF after its address then.
QString TitlePathFor(const QString& title, const QString& folder, PathStyle style = kNativePathStyle);

} // namespace velmora
