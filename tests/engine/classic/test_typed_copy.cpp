#include "classic/TypedCopy.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace velmora;

namespace {

QByteArray Utf16Le(const QString& text) {
    QByteArray bytes("\xff\xfe", 2);
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes;
}

} // namespace

class TestTypedCopy : public QObject {
    Q_OBJECT

private slots:
    void copyOnlyWhatTheNameCannotTell_data();
    void copyOnlyWhatTheNameCannotTell();
    void htmlCopyNamesTheOriginalsFolder_data();
    void htmlCopyNamesTheOriginalsFolder();
    void copyGoesWithItsOwner();
};

// "{base}" in `expected` stands for the <base> element naming the original's folder.
void TestTypedCopy::copyOnlyWhatTheNameCannotTell_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("copySuffix"); // empty: no copy
    QTest::newRow("html name") << "page.html" << QByteArray("<html><p>x</p></html>") << "";
    QTest::newRow("text name") << "notes.txt" << QByteArray("plain words\n") << "";
    QTest::newRow("name known as text") << "README" << QByteArray("plain words\n") << "";
    QTest::newRow("unknown name, text") << "LICENSE" << QByteArray("plain words\n") << ".txt";
    QTest::newRow("dash-led name, text") << "--help" << QByteArray("usage: none\n") << ".txt";
    QTest::newRow("unknown name, html") << "x-page" << QByteArray("<!DOCTYPE html><p>x</p>") << ".html";
    QTest::newRow("unknown name, binary") << "blob" << QByteArray("\x00\x01\x02\xff\xfe\x00", 6) << "";
}

void TestTypedCopy::copyOnlyWhatTheNameCannotTell() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, copySuffix);
    QTemporaryDir work;
    const QString document = work.filePath(name);
    QFile file(document);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();

    const TypedCopy copy(document);

    if (copySuffix.isEmpty()) {
        QCOMPARE(copy.Path(), document);
        return;
    }
    QVERIFY2(copy.Path() != document && copy.Path().endsWith(copySuffix), qPrintable(copy.Path()));
    QVERIFY(!copy.Path().startsWith(work.path())); // never written beside the user's file
    QFile written(copy.Path());
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray copied = written.readAll();
    if (copySuffix == QLatin1String(".txt"))
        QCOMPARE(copied, content);
    else
        QVERIFY2(copied.contains("<base href=\"file://"), copied.constData());
}

void TestTypedCopy::htmlCopyNamesTheOriginalsFolder_data() {
    QTest::addColumn<QString>("folder"); // below the work folder
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("doctype first") << "site" << QByteArray("<!DOCTYPE html>\n<p>Kai</p>")
                                   << QByteArray("<!DOCTYPE html>\n{base}<p>Kai</p>");
    QTest::newRow("utf-8 mark, comment, xml declaration")
        << "site"
        << QByteArray("\xef\xbb\xbf<?xml version=\"1.0\"?><!-- made --><html><p>K\xc3\xa5</p></html>")
        << QByteArray("\xef\xbb\xbf<?xml version=\"1.0\"?><!-- made -->{base}<html><p>K\xc3\xa5</p></html>");
    QTest::newRow("no prologue, latin-1 bytes kept")
        << "site" << QByteArray("<html><p>K\xe5</p></html>") << QByteArray("{base}<html><p>K\xe5</p></html>");
    // Windows allows no double quote in a file name.
#ifndef Q_OS_WIN
    QTest::newRow("folder with space, quote and ampersand")
        << "a \"b\" & c" << QByteArray("<!doctype html><p>x</p>")
        << QByteArray("<!doctype html>{base}<p>x</p>");
#endif
    QTest::newRow("folder with space and ampersand")
        << "a b & c" << QByteArray("<!doctype html><p>x</p>") << QByteArray("<!doctype html>{base}<p>x</p>");
    QTest::newRow("utf-16 with its mark")
        << "site" << Utf16Le(QStringLiteral("<!DOCTYPE html><p>K\u00e5</p>"))
        << Utf16Le(QStringLiteral("<!DOCTYPE html>{base}<p>K\u00e5</p>"));
}

void TestTypedCopy::htmlCopyNamesTheOriginalsFolder() {
    QFETCH(QString, folder);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, expected);
    QTemporaryDir work;
    QVERIFY(QDir(work.path()).mkpath(folder));
    const QString document = work.filePath(folder + QStringLiteral("/index"));
    QFile file(document);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    file.close();

    const TypedCopy copy(document);

    const QString href =
        QString::fromLatin1(QUrl::fromLocalFile(work.filePath(folder) + QLatin1Char('/')).toEncoded());
    const QString base = QStringLiteral("<base href=\"%1\">").arg(href.toHtmlEscaped());
    const bool wide = expected.startsWith("\xff\xfe");
    const QByteArray baseBytes = wide ? Utf16Le(base).mid(2) : base.toLatin1();
    expected.replace(wide ? Utf16Le(QStringLiteral("{base}")).mid(2) : QByteArray("{base}"), baseBytes);
    QFile written(copy.Path());
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), expected);
    QVERIFY(QUrl(href).isValid());
}

// The copy holds the user's document, so it lasts only as long as the conversion that needs it.
void TestTypedCopy::copyGoesWithItsOwner() {
    QTemporaryDir work;
    const QString document = work.filePath(QStringLiteral("LICENSE"));
    QFile file(document);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("secret words\n") > 0);
    file.close();

    auto copy = std::make_unique<TypedCopy>(document);
    const QString copyPath = copy->Path();
    QVERIFY(copyPath != document && QFileInfo::exists(copyPath));
#ifndef Q_OS_WIN // there the temporary folder lies in the user's own profile
    QCOMPARE(QFileInfo(QFileInfo(copyPath).absolutePath()).permissions() &
                 (QFile::ReadOther | QFile::ReadGroup),
             QFile::Permissions());
#endif
    copy.reset();
    QVERIFY(!QFileInfo::exists(copyPath));
    QVERIFY(QFileInfo::exists(document));
}

QTEST_GUILESS_MAIN(TestTypedCopy)
#include "test_typed_copy.moc"
