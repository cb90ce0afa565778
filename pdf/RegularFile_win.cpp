#include "RegularFile.h"

#include <cerrno>
#include <sys/stat.h>
#include <sys/types.h>
#include <system_error>

namespace velmora::pdf {

// A folder's entries are never pipes on Windows, but a device name ("CON", "NUL") may stand for one.
std::FILE* OpenRegularFile(const QString& path, QString& error) {
    std::FILE* file = ::_wfopen(reinterpret_cast<const wchar_t*>(path.utf16()), L"rb");
    if (!file) {
        error = QString::fromStdString(std::generic_category().message(errno));
        return nullptr;
    }
    struct _stat64 status = {};
    if (::_fstat64(::_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
        error = QStringLiteral("it is not a regular file");
        std::fclose(file);
        return nullptr;
    }
    return file;
}

} // namespace velmora::pdf
