#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {

const QString kSourceDir = QStringLiteral(VELMORA_SOURCE_DIR);

// The engine's rooms and the program's other folders that each folder may include besides its own; a
// folder not named here (the window, the command line) may include any, as it puts an engine into a run.
const QHash<QString, QStringList> kMayInclude = {
    {QStringLiteral("engine/queue"), {}},
    {QStringLiteral("engine/platform"), {}},
    {QStringLiteral("engine/render"), {QStringLiteral("queue"), QStringLiteral("platform")}},
    {QStringLiteral("engine/classic"),
     {QStringLiteral("render"), QStringLiteral("queue"), QStringLiteral("platform")}},
    {QStringLiteral("engine/modern"),
     {QStringLiteral("render"), QStringLiteral("queue"), QStringLiteral("platform")}},
    {QStringLiteral("engine/run"),
     {QStringLiteral("render"), QStringLiteral("queue"), QStringLiteral("platform")}},
    {QStringLiteral("engine/follow"),
     {QStringLiteral("render"), QStringLiteral("queue"), QStringLiteral("platform")}},
    {QStringLiteral("pdf"), {QStringLiteral("render"), QStringLiteral("queue"), QStringLiteral("platform")}},
    {QStringLiteral("settings"),
     {QStringLiteral("run"), QStringLiteral("render"), QStringLiteral("queue"), QStringLiteral("platform")}},
};
const QStringList kRooms = {QStringLiteral("queue"),   QStringLiteral("platform"), QStringLiteral("render"),
                            QStringLiteral("classic"), QStringLiteral("modern"),   QStringLiteral("run"),
                            QStringLiteral("follow")};
// The folders outside the engine, whose headers are included by their names alone.
const QStringList kOuterFolders = {QStringLiteral("pdf"), QStringLiteral("settings"), QStringLiteral("ui"),
                                   QStringLiteral("cli")};

bool Exists(const QString& path) {
    return QFile::exists(kSourceDir + u'/' + path);
}

bool MayInclude(const QString& folder, const QString& place) {
    return !kMayInclude.contains(folder) || kMayInclude.value(folder).contains(place);
}

// Why `#include "<include>"` may not stand in a file of `folder` (relative to the project); empty when
// it may. An engine header is always named with its room, also inside the room.
QString IncludeProblem(const QString& folder, const QString& include) {
    if (include.endsWith(QLatin1String(".moc")))
        return {};
    if (include.contains(QLatin1String("..")))
        return QStringLiteral("reaches out of its folder");
    if (!include.contains(u'/')) {
        if (folder.startsWith(QLatin1String("engine/")))
            return QStringLiteral("names no room");
        if (Exists(folder + u'/' + include))
            return {};
        for (const QString& outer : kOuterFolders)
            if (Exists(outer + u'/' + include))
                return MayInclude(folder, outer) ? QString() : QStringLiteral("runs against the direction");
        return QStringLiteral("is in none of the program's folders");
    }
    const QString room = include.section(u'/', 0, 0);
    if (!kRooms.contains(room) || !Exists(QStringLiteral("engine/") + include))
        return QStringLiteral("is no engine header");
    return folder == QStringLiteral("engine/") + room || MayInclude(folder, room)
               ? QString()
               : QStringLiteral("runs against the direction");
}

} // namespace

class TestRoomIncludes : public QObject {
    Q_OBJECT
private slots:
    void judgesIncludes_data();
    void judgesIncludes();
    void programFollowsTheDirection();
};

void TestRoomIncludes::judgesIncludes_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("include");
    QTest::addColumn<bool>("allowed");

    QTest::newRow("run into an engine") << "engine/run"
                                        << "classic/WkhtmltopdfBackend.h" << false;
    QTest::newRow("engine into the other") << "engine/classic"
                                           << "modern/ChromiumBackend.h" << false;
    QTest::newRow("contract into the run") << "engine/render"
                                           << "run/BatchRunner.h" << false;
    QTest::newRow("queue into the contract") << "engine/queue"
                                             << "render/PageSetup.h" << false;
    QTest::newRow("pdf into the run") << "pdf"
                                      << "run/BatchRunner.h" << false;
    QTest::newRow("engine header without its room") << "engine/classic"
                                                    << "WkhtmltopdfReport.h" << false;
    QTest::newRow("out of the folder") << "engine/run"
                                       << "../classic/TypedCopy.h" << false;
    QTest::newRow("no such header") << "ui"
                                    << "run/NoSuchHeader.h" << false;
    QTest::newRow("own room") << "engine/classic"
                              << "classic/TypedCopy.h" << true;
    QTest::newRow("run onto the contract") << "engine/run"
                                           << "render/RenderBackend.h" << true;
    QTest::newRow("engine onto platform") << "engine/modern"
                                          << "platform/ProcessTree.h" << true;
    QTest::newRow("settings onto the run") << "settings"
                                           << "run/ConvertCommand.h" << true;
    QTest::newRow("window chooses an engine") << "ui"
                                              << "classic/WkhtmltopdfBackend.h" << true;
    QTest::newRow("a folder's own header") << "pdf"
                                           << "RowFinish.h" << true;
}

void TestRoomIncludes::judgesIncludes() {
    QFETCH(QString, folder);
    QFETCH(QString, include);
    QFETCH(bool, allowed);
    const QString problem = IncludeProblem(folder, include);
    QVERIFY2(problem.isEmpty() == allowed, qPrintable(include + QLatin1String(": ") + problem));
}

void TestRoomIncludes::programFollowsTheDirection() {
    static const QRegularExpression kInclude(QStringLiteral(R"re(^\s*#\s*include\s*"([^"]+)")re"),
                                             QRegularExpression::MultilineOption);
    QStringList problems;
    QSet<QString> foldersSeen;
    const QStringList folders = {QStringLiteral("engine"), QStringLiteral("pdf"), QStringLiteral("settings"),
                                 QStringLiteral("ui"), QStringLiteral("cli")};
    for (const QString& top : folders) {
        QDirIterator files(kSourceDir + u'/' + top, {QStringLiteral("*.h"), QStringLiteral("*.cpp")},
                           QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = QDir(kSourceDir).relativeFilePath(files.next());
            const QString folder = path.section(u'/', 0, -2);
            foldersSeen.insert(folder);
            QFile file(kSourceDir + u'/' + path);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
            const QString text = QString::fromUtf8(file.readAll());
            for (auto match = kInclude.globalMatch(text); match.hasNext();) {
                const QString include = match.next().captured(1);
                if (const QString problem = IncludeProblem(folder, include); !problem.isEmpty())
                    problems.append(QStringLiteral("%1: \"%2\" %3").arg(path, include, problem));
            }
        }
    }
    for (const QString& room : kRooms)
        QVERIFY2(foldersSeen.contains(QStringLiteral("engine/") + room), qPrintable(room));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

QTEST_GUILESS_MAIN(TestRoomIncludes)
#include "test_room_includes.moc"
