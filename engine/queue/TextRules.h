#pragma once

#include <QString>

namespace velmora {

// Which separator rules a path follows: Windows ("\" and ":") or POSIX ("/").
enum class PathStyle { Windows, Posix };

#ifdef Q_OS_WIN
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

// Removes every leading and trailing character whose code is U+0020 or below.
QString TrimControl(const QString& text);

// True when the text, with A-Z lowered, starts with "http://" or "https://".
bool HasWebPrefix(const QString& text);

// Whether a trimmed line is accepted into the queue as a web address.
bool IsWebAddress(const QString& text);

// The folder text ending in exactly one separator of the style (kept or appended): a backslash on
// Windows, "/" elsewhere, despite the name.
QString WithTrailingBackslash(const QString& folder, PathStyle style = kNativePathStyle);

// Full path of the PDF for a source: the folder text (untrimmed) plus a name made from the source alone.
QString OutputPathFor(const QString& sourceText, const QString& targetFolder,
                      PathStyle style = kNativePathStyle);

} // namespace velmora
