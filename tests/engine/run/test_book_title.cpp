#include "run/BookTitle.h"

#include <QTest>

using namespace velmora;

class TestBookTitle : public QObject {
    Q_OBJECT
private slots:
    void sharedSiteName_data();
    void sharedSiteName();
};

void TestBookTitle::sharedSiteName_data() {
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("without");

    QTest::newRow("common ending after a hyphen")
        << QStringList{"Installation - The Rust Programming Language",
                       "Hello, World! - The Rust Programming Language"}
        << "The Rust Programming Language" << QStringList{"Installation", "Hello, World!"};
    QTest::newRow("after a dash, with the set's own index page")
        << QStringList{"CMake Tutorial — CMake 3.25.1 Documentation",
                       "Step 1: A Basic Starting Point — CMake 3.25.1 Documentation",
                       "Step 2: Adding a Library — CMake 3.25.1 Documentation"}
        << "CMake 3.25.1 Documentation"
        << QStringList{"CMake Tutorial", "Step 1: A Basic Starting Point", "Step 2: Adding a Library"};
    QTest::newRow("a page that is the name alone stays whole")
        << QStringList{"The Guide", "Intro | The Guide", "Usage | The Guide"} << "The Guide"
        << QStringList{"The Guide", "Intro", "Usage"};
    QTest::newRow("separators of each kind")
        << QStringList{"A - Site", "B | Site", "C · Site"} << "Site" << QStringList{"A", "B", "C"};
    QTest::newRow("a separator inside the page's own title")
        << QStringList{"Foo - Bar - Site", "Baz - Site"} << "Site" << QStringList{"Foo - Bar", "Baz"};
    QTest::newRow("common beginning") << QStringList{"Blog · First post", "Blog · Second post"} << "Blog"
                                      << QStringList{"First post", "Second post"};
    QTest::newRow("pages without a title are passed by")
        << QStringList{"", "A - S", "B - S"} << "S" << QStringList{"", "A", "B"};
    QTest::newRow("nothing shared") << QStringList{"Alpha - X", "Beta - Y"} << ""
                                    << QStringList{"Alpha - X", "Beta - Y"};
    QTest::newRow("one title without it")
        << QStringList{"Alpha - X", "Beta"} << "" << QStringList{"Alpha - X", "Beta"};
    QTest::newRow("one page") << QStringList{"Alpha - X"} << "" << QStringList{"Alpha - X"};
    QTest::newRow("a hyphen inside a word is no separator")
        << QStringList{"Self-Hosting", "Co-Hosting"} << "" << QStringList{"Self-Hosting", "Co-Hosting"};
}

void TestBookTitle::sharedSiteName() {
    QFETCH(QStringList, titles);
    QFETCH(QString, name);
    QFETCH(QStringList, without);
    const SiteName site = SharedSiteName(titles);
    QCOMPARE(site.name, name);
    QCOMPARE(site.titles, without);
}

QTEST_GUILESS_MAIN(TestBookTitle)
#include "test_book_title.moc"
