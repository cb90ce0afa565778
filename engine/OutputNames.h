#pragma once

#include "TextRules.h"

#include <QStringList>

namespace velmora {

// Longest file name (".pdf" included) the file system accepts: UTF-16 code units on Windows, UTF-8 bytes
// on POSIX.
inline constexpr int kMaxFileNameLength = 255;

// Makes the output paths of one run safe to write: names too long for the file system are shortened,
// and a path equal to an earlier one (ignoring letter case for Windows) gets " (2)", " (3)", ... before
// ".pdf". Paths are returned in the same order.
QStringList UniqueOutputPaths(const QStringList& paths, PathStyle style = kNativePathStyle);

} // namespace velmora
