#include "RegularFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace velmora::pdf {

// Opening a named pipe waits for a writer, possibly for good; without blocking it opens at once, and its
// type tells. The type is taken from what was opened, so nothing put under the name meanwhile slips by.
std::FILE* OpenRegularFile(const QString& path, QString& error) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = QString::fromStdString(std::generic_category().message(errno));
        return nullptr;
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        error = QStringLiteral("it is not a regular file");
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        error = QString::fromStdString(std::generic_category().message(errno));
        ::close(fd);
    }
    return file;
}

} // namespace velmora::pdf
