#include "queue/TextRules.h"

#include <QTest>

using namespace velmora;

Q_DECLARE_METATYPE(velmora::PathStyle)

class TestTextRules : public QObject {
    Q_OBJECT
private slots:
    void trimControl_data();
    void trimControl();
    void hasWebPrefix_data();
    void hasWebPrefix();
    void isWebAddress_data();
    void isWebAddress();
    void withTrailingBackslash_data();
    void withTrailingBackslash();
    void outputPathWindows_data();
    void outputPathWindows();
    void outputPathPosix_data();
    void outputPathPosix();
    void webNameIgnoresPathStyle_data();
    void webNameIgnoresPathStyle();
};

void TestTextRules::trimControl_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("only blanks and controls") << " \t\r\n\x01\x1f"
                                              << "";
    QTest::newRow("both ends, inner kept") << "  \thttp://my site.test \x01\x1f"
                                           << "http://my site.test";
    QTest::newRow("U+0021 is kept") << "!a!"
                                    << "!a!";
    QTest::newRow("DEL is kept") << "\x7f"
                                    "a\x7f"
                                 << "\x7f"
                                    "a\x7f";
    QTest::newRow("no-break and ideographic spaces are kept")
        << QStringLiteral("\u00a0a\u3000") << QStringLiteral("\u00a0a\u3000");
}

void TestTextRules::trimControl() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(TrimControl(text), expected);
}

void TestTextRules::hasWebPrefix_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");

    QTest::newRow("http") << "http://x" << true;
    QTest::newRow("https") << "https://x" << true;
    QTest::newRow("prefix alone") << "https://" << true;
    QTest::newRow("mixed case http") << "Http://x" << true;
    QTest::newRow("mixed case https") << "hTTpS://x" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("too short") << "http:/" << false;
    QTest::newRow("not at the start") << " http://x" << false;
    QTest::newRow("ftp") << "ftp://x" << false;
    // Full Unicode case folding would turn these into "s" and "h"; only A-Z are lowered.
    QTest::newRow("long s") << QStringLiteral("http\u017f://x") << false;
    QTest::newRow("fullwidth H") << QStringLiteral("\uff28ttp://x") << false;
}

void TestTextRules::hasWebPrefix() {
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(HasWebPrefix(text), expected);
}

void TestTextRules::isWebAddress_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");

    QTest::newRow("first full stop at 12") << "http://site.test" << true;
    QTest::newRow("prefix compared after lowering") << "HTTP://SITE.TEST/PAGE" << true;
    QTest::newRow("full stop at 9") << "http://a.b" << true;
    QTest::newRow("full stop at 8") << "http://.b" << false;
    QTest::newRow("https full stop at 9") << "https://.b" << true;
    QTest::newRow("no full stop") << "http://server/" << false;
    QTest::newRow("full stop in the path") << "http://server/page.html" << true;
    QTest::newRow("prefix alone") << "https://" << false;
    QTest::newRow("ftp") << "ftp://site.test" << false;
    QTest::newRow("no prefix") << "site.test/page.html" << false;
    QTest::newRow("leading blank") << " http://site.test" << false;
    QTest::newRow("inner blank") << "http://my site.test" << true;

    QTest::newRow("empty") << "" << false;
    QTest::newRow("full stop in the query") << "http://server/?a=b.c" << true;
    QTest::newRow("mixed case https") << "hTTps://x.y" << true;
}

void TestTextRules::isWebAddress() {
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(IsWebAddress(text), expected);
}

void TestTextRules::withTrailingBackslash_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<PathStyle>("style");
    QTest::addColumn<QString>("expected");

    QTest::newRow("windows: empty") << "" << PathStyle::Windows << "\\";
    QTest::newRow("windows: appended") << "C:\\My PDF" << PathStyle::Windows << "C:\\My PDF\\";
    QTest::newRow("windows: kept") << "D:\\out\\" << PathStyle::Windows << "D:\\out\\";
    QTest::newRow("windows: two kept") << "D:\\out\\\\" << PathStyle::Windows << "D:\\out\\\\";
    QTest::newRow("windows: slash does not count") << "C:/out/" << PathStyle::Windows << "C:/out/\\";
    QTest::newRow("windows: trailing blank kept") << "C:\\My PDF " << PathStyle::Windows << "C:\\My PDF \\";

    QTest::newRow("posix: empty") << "" << PathStyle::Posix << "/";
    QTest::newRow("posix: appended") << "/home/u/PDF" << PathStyle::Posix << "/home/u/PDF/";
    QTest::newRow("posix: kept") << "/tmp/" << PathStyle::Posix << "/tmp/";
    QTest::newRow("posix: backslash does not count") << "out\\" << PathStyle::Posix << "out\\/";
}

void TestTextRules::withTrailingBackslash() {
    QFETCH(QString, folder);
    QFETCH(PathStyle, style);
    QFETCH(QString, expected);
    QCOMPARE(WithTrailingBackslash(folder, style), expected);
}

void TestTextRules::outputPathWindows_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");

    // The reference table.
    QTest::newRow("https with query") << "https://docs.site.test/guide/page.html?id=7&lang=en"
                                      << "C:\\My PDF"
                                      << "C:\\My PDF\\docs-site-test-guide-page-html-id=7&lang=en.pdf";
    QTest::newRow("trailing slash") << "http://site.test/"
                                    << "C:\\My PDF"
                                    << "C:\\My PDF\\site-test-.pdf";
    QTest::newRow("capital prefix") << "HTTPS://Site.Test/News"
                                    << "C:\\My PDF"
                                    << "C:\\My PDF\\Site-Test-News.pdf";
    QTest::newRow("reserved characters") << "http://site.test/a:b*c<d>e"
                                         << "C:\\My PDF"
                                         << "C:\\My PDF\\site-test-a-b-c-d-e.pdf";
    QTest::newRow("address in the query") << "https://site.test/go?to=http://other.test/x"
                                          << "C:\\My PDF"
                                          << "C:\\My PDF\\site-test-go-to=other-test-x.pdf";
    QTest::newRow("file") << "C:\\docs\\index.html"
                          << "C:\\My PDF"
                          << "C:\\My PDF\\index-html.pdf";
    QTest::newRow("file, folder with backslash") << "C:\\docs\\annual.report.final.htm"
                                                 << "D:\\out\\"
                                                 << "D:\\out\\annual-report-final-htm.pdf";
    QTest::newRow("file without full stop") << "C:\\docs\\README"
                                            << "C:\\My PDF"
                                            << "C:\\My PDF\\README.pdf";
    QTest::newRow("empty folder") << "C:\\docs\\index.html"
                                  << ""
                                  << "\\index-html.pdf";
    QTest::newRow("drive folder") << "C:\\docs\\index.html"
                                  << "C:"
                                  << "C:\\index-html.pdf";

    // Edge cases.
    QTest::newRow("web a.b") << "http://site.test/a.b"
                             << "C:\\My PDF"
                             << "C:\\My PDF\\site-test-a-b.pdf";
    QTest::newRow("web a-b, same name") << "https://site.test/a-b"
                                        << "C:\\My PDF"
                                        << "C:\\My PDF\\site-test-a-b.pdf";
    QTest::newRow("file named like a host") << "C:\\x\\site.test"
                                            << "C:\\My PDF"
                                            << "C:\\My PDF\\site-test.pdf";
    QTest::newRow("host, same name") << "http://site.test"
                                     << "C:\\My PDF"
                                     << "C:\\My PDF\\site-test.pdf";
    QTest::newRow("mixed case Http") << "Http://Site.test/p"
                                     << "C:\\out"
                                     << "C:\\out\\Site-test-p.pdf";
    QTest::newRow("mixed case hTTps") << "hTTps://x.test"
                                      << "C:\\out"
                                      << "C:\\out\\x-test.pdf";
    QTest::newRow("second prefix in any case") << "https://site.test/r?u=HTTP://a.test&v=hTTpS://b.test"
                                               << "C:\\out"
                                               << "C:\\out\\site-test-r-u=a-test&v=b-test.pdf";
    QTest::newRow("joined by a removal, not searched again") << "http://hthttp://tp://x.y"
                                                             << "C:\\out"
                                                             << "C:\\out\\http---x-y.pdf";
    QTest::newRow("https pass sees what the http pass joined") << "https://htthttp://ps://a.b"
                                                               << "C:\\out"
                                                               << "C:\\out\\a-b.pdf";
    QTest::newRow("no full-stop test for the name") << "http://server/"
                                                    << "C:\\out"
                                                    << "C:\\out\\server-.pdf";
    QTest::newRow("other characters kept")
        << QStringLiteral("https://\u00fc.test/%20#f=\u00c4&x") << "C:\\out"
        << QStringLiteral("C:\\out\\\u00fc-test-%20#f=\u00c4&x.pdf");
    QTest::newRow("leading full stop") << "C:\\docs\\.hidden"
                                       << "C:\\My PDF"
                                       << "C:\\My PDF\\-hidden.pdf";
    QTest::newRow("folder with trailing blank") << "C:\\docs\\index.html"
                                                << "C:\\My PDF "
                                                << "C:\\My PDF \\index-html.pdf";
    QTest::newRow("folder ending in slash") << "C:\\docs\\index.html"
                                            << "C:/out/"
                                            << "C:/out/\\index-html.pdf";
    QTest::newRow("slash is not a separator") << "C:\\docs/sub/p.html"
                                              << "C:\\out"
                                              << "C:\\out\\docs/sub/p-html.pdf";
    QTest::newRow("colon after the last backslash") << "C:\\a\\b:c.txt"
                                                    << "C:\\out"
                                                    << "C:\\out\\c-txt.pdf";
    QTest::newRow("drive-relative") << "D:file.txt"
                                    << "C:\\out"
                                    << "C:\\out\\file-txt.pdf";
    QTest::newRow("no separator") << "page.htm"
                                  << "C:\\out"
                                  << "C:\\out\\page-htm.pdf";
    QTest::newRow("other scheme takes the file branch") << "ftp://site.test/a"
                                                        << "C:\\out"
                                                        << "C:\\out\\//site-test/a.pdf";
}

void TestTextRules::outputPathWindows() {
    QFETCH(QString, source);
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QCOMPARE(OutputPathFor(source, folder, PathStyle::Windows), expected);
}

void TestTextRules::outputPathPosix_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");

    QTest::newRow("file") << "/home/u/docs/index.html"
                          << "/home/u/PDF"
                          << "/home/u/PDF/index-html.pdf";
    QTest::newRow("folder with slash") << "/srv/annual.report.final.htm"
                                       << "/out/"
                                       << "/out/annual-report-final-htm.pdf";
    QTest::newRow("backslash and colon are ordinary") << "/home/u/a\\b:c.d.htm"
                                                      << "/out"
                                                      << "/out/a\\b:c-d-htm.pdf";
    QTest::newRow("leading full stop") << "/home/u/.hidden"
                                       << "/out"
                                       << "/out/-hidden.pdf";
    QTest::newRow("no separator") << "README"
                                  << "/out"
                                  << "/out/README.pdf";
    QTest::newRow("empty folder") << "/home/u/index.html"
                                  << ""
                                  << "/index-html.pdf";
    QTest::newRow("folder with trailing blank") << "/x/index.html"
                                                << "/out "
                                                << "/out /index-html.pdf";
    QTest::newRow("folder ending in backslash") << "/x/index.html"
                                                << "out\\"
                                                << "out\\/index-html.pdf";
    QTest::newRow("web") << "https://docs.site.test/guide/page.html?id=7&lang=en"
                         << "/out"
                         << "/out/docs-site-test-guide-page-html-id=7&lang=en.pdf";
    QTest::newRow("web with backslash and colon") << "http://site.test/a\\b:c"
                                                  << "/out"
                                                  << "/out/site-test-a-b-c.pdf";
}

void TestTextRules::outputPathPosix() {
    QFETCH(QString, source);
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QCOMPARE(OutputPathFor(source, folder, PathStyle::Posix), expected);
}

void TestTextRules::webNameIgnoresPathStyle_data() {
    QTest::addColumn<QString>("source");

    QTest::newRow("all ten characters") << "http://h.t/a\\b:c*d?e|f\"g<h>i";
    QTest::newRow("second prefix") << "https://site.test/go?to=http://other.test/x";
    QTest::newRow("joined prefix") << "http://hthttp://tp://x.y";
}

void TestTextRules::webNameIgnoresPathStyle() {
    QFETCH(QString, source);
    const QString windows = OutputPathFor(source, QStringLiteral("F"), PathStyle::Windows);
    const QString posix = OutputPathFor(source, QStringLiteral("F"), PathStyle::Posix);
    QCOMPARE(windows.first(2), QStringLiteral("F\\"));
    QCOMPARE(posix.first(2), QStringLiteral("F/"));
    QCOMPARE(windows.sliced(2), posix.sliced(2));
}

QTEST_APPLESS_MAIN(TestTextRules)
#include "test_text_rules.moc"
