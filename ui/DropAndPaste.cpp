#include "DropAndPaste.h"

#include "StatusNotice.h"
#include "queue/ConversionQueue.h"

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

void CollectLocal(const QString& path, QList<IncomingRow>& rows) {
    const QFileInfo info(path);
    QStringList files;
    if (info.isDir())
        CollectFolder(info.absoluteFilePath(), files);
    else if (IsAcceptedFile(info))
        files << QDir::toNativeSeparators(info.absoluteFilePath());
    for (QString& file : files)
        rows.append({true, std::move(file)});
}

// A pasted or dropped line names a local file when it is a file URL or an existing absolute path.
bool IsLocalPath(const QString& line) {
    return QDir::isAbsolutePath(line) && QFileInfo::exists(line);
}

} // namespace

QList<IncomingRow> RowsFromMimeData(const QMimeData& data) {
    QList<IncomingRow> rows;
    if (data.hasUrls()) {
        for (const QUrl& url : data.urls()) {
            if (url.isLocalFile())
                CollectLocal(url.toLocalFile(), rows);
            else
                rows.append({false, url.toString()});
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
            rows.append({false, line});
    }
    return rows;
}

QString SkippedLinesText(const AddOutcome& outcome) {
    return SkippedLinesText({{outcome.notWebAddress, QStringLiteral("not a web address")},
                             {outcome.alreadyQueued, QStringLiteral("already in the queue")}});
}

DropAndPaste::DropAndPaste(ConversionQueue& queue, QWidget& window, QWidget& grid,
                           std::function<bool()> canAdd)
    : QObject(&window), m_queue(queue), m_canAdd(std::move(canAdd)) {
    window.setAcceptDrops(true);
    window.installEventFilter(this);

    m_paste = new QAction(QStringLiteral("&Paste"), &grid);
    m_paste->setObjectName(QStringLiteral("actPaste"));
    m_paste->setShortcut(QKeySequence::Paste);
    m_paste->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    grid.addAction(m_paste);
    connect(m_paste, &QAction::triggered, this, [this] {
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

// Each run of files or of addresses goes in as one add, so a large folder is one insertion.
void DropAndPaste::Add(const QMimeData& data) {
    const QList<IncomingRow> rows = RowsFromMimeData(data);
    AddOutcome total;
    for (qsizetype first = 0; first < rows.size();) {
        const bool file = rows.at(first).file;
        QStringList texts;
        qsizetype next = first;
        for (; next < rows.size() && rows.at(next).file == file; ++next)
            texts << rows.at(next).text;
        const AddOutcome outcome = file ? m_queue.AddFiles(texts) : m_queue.AddWebAddresses(texts);
        total.notWebAddress += outcome.notWebAddress;
        total.alreadyQueued += outcome.alreadyQueued;
        first = next;
    }
    emit rowsOffered();
    if (const QString text = SkippedLinesText(total); !text.isEmpty())
        emit skipped(text);
}

} // namespace velmora
