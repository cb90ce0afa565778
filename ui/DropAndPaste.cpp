#include "DropAndPaste.h"

#include "ConversionQueue.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>
#include <QWidget>

namespace velmora {

namespace {

bool IsAcceptedFile(const QFileInfo& file) {
    static const QStringList suffixes{"htm", "html", "xhtml", "txt", "xml"};
    return file.isFile() && suffixes.contains(file.suffix(), Qt::CaseInsensitive);
}

// A folder's accepted files in name order, then each sub-folder's the same way.
void CollectFolder(const QString& folder, QStringList& files) {
    const QDir dir(folder);
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
        if (IsAcceptedFile(file))
            files << QDir::toNativeSeparators(file.absoluteFilePath());
    }
    for (const QFileInfo& sub :
         dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)) {
        if (!sub.isSymLink()) // a link back up would never end
            CollectFolder(sub.absoluteFilePath(), files);
    }
}

void CollectLocal(const QString& path, IncomingRows& rows) {
    const QFileInfo info(path);
    if (info.isDir())
        CollectFolder(info.absoluteFilePath(), rows.files);
    else if (IsAcceptedFile(info))
        rows.files << QDir::toNativeSeparators(info.absoluteFilePath());
}

// A pasted or dropped line names a local file when it is a file URL or an existing absolute path.
bool IsLocalPath(const QString& line) {
    return QDir::isAbsolutePath(line) && QFileInfo::exists(line);
}

} // namespace

IncomingRows RowsFromMimeData(const QMimeData& data) {
    IncomingRows rows;
    if (data.hasUrls()) {
        for (const QUrl& url : data.urls()) {
            if (url.isLocalFile())
                CollectLocal(url.toLocalFile(), rows);
            else
                rows.addresses << url.toString();
        }
        return rows;
    }
    const QStringList lines =
        data.text().split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        const QUrl url(trimmed);
        if (url.isLocalFile())
            CollectLocal(url.toLocalFile(), rows);
        else if (IsLocalPath(trimmed))
            CollectLocal(trimmed, rows);
        else
            rows.addresses << line;
    }
    return rows;
}

DropAndPaste::DropAndPaste(ConversionQueue& queue, QWidget& window, QWidget& grid,
                           std::function<bool()> canAdd)
    : QObject(&window), m_queue(queue), m_canAdd(std::move(canAdd)) {
    window.setAcceptDrops(true);
    window.installEventFilter(this);

    auto* paste = new QAction(QStringLiteral("Paste"), &grid);
    paste->setObjectName(QStringLiteral("actPaste"));
    paste->setShortcut(QKeySequence::Paste);
    paste->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    grid.addAction(paste);
    connect(paste, &QAction::triggered, this, [this] {
        if (const QMimeData* data = QGuiApplication::clipboard()->mimeData(); data && m_canAdd())
            Add(*data);
    });
}

bool DropAndPaste::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (m_canAdd() && (drag->mimeData()->hasUrls() || drag->mimeData()->hasText()))
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!m_canAdd())
            return true;
        Add(*drop->mimeData());
        drop->acceptProposedAction();
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

void DropAndPaste::Add(const QMimeData& data) {
    const IncomingRows rows = RowsFromMimeData(data);
    m_queue.AddFiles(rows.files);
    m_queue.AddWebAddresses(rows.addresses);
    emit rowsOffered();
}

} // namespace velmora
