#pragma once

// Linux only, as are the suites of the real engines that use it.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>

namespace velmora::test {

// A disk of a few kilobytes (a tmpfs mounted on a temporary folder) for the life of the object, so that
// a converter meets a disk that is really full. Mounting needs root.
class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes) {
        const QByteArray options = "size=" + QByteArray::number(bytes);
        if (!m_folder.isValid())
            m_problem = m_folder.errorString();
        else if (::mount("tmpfs", QFile::encodeName(m_folder.path()).constData(), "tmpfs",
                         MS_NOSUID | MS_NODEV, options.constData()) != 0)
            m_problem = QString::fromLocal8Bit(std::strerror(errno));
        else
            m_mounted = true;
    }
    ~SmallDisk() {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_folder.path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool IsMounted() const { return m_mounted; }
    QString Problem() const { return m_problem; } // why it could not be mounted
    QString FilePath(const QString& name) const { return m_folder.filePath(name); }

    // Takes up what room is left, so that the next write fails for want of it.
    bool Fill() const {
        QFile filler(m_folder.filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(4096, 'x');
        while (filler.write(block) > 0) {
        }
        return filler.error() == QFileDevice::ResourceError;
    }

private:
    QTemporaryDir m_folder;
    bool m_mounted = false;
    QString m_problem;
};

} // namespace velmora::test
