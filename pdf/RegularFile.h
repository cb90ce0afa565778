#pragma once

#include <QString>

#include <cstdio>

namespace velmora::pdf {

// `path` opened for reading when it is a regular file (a link to one included); nullptr with `error` set
// otherwise. Whatever else stands under the name, a named pipe above all, is refused without waiting on
// it.
std::FILE* OpenRegularFile(const QString& path, QString& error);

} // namespace velmora::pdf
