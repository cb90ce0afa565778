#include "follow/ReadingOrder.h"
#include "follow/RobotsRules.h"
#include "render/DrawnResources.h"

#include <QTest>

using namespace velmora;

class TestFollowRules : public QObject {
    Q_OBJECT
private slots:
    void RobotsAllows_data();
    void RobotsAllows();
    void LinksInDocumentOrder();
    void NextChainBeforeLinkOrder();
    void LongChainAndLoopsEnd();
};

void TestFollowRules::RobotsAllows_data() {
    QTest::addColumn<QByteArray>("robots");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("allowed");
    const QByteArray everyone = "User-agent: *\nDisallow: /docs/private/\nAllow: /docs/private/open.html\n";
    QTest::newRow("under a disallowed folder") << everyone << "/docs/private/a.html" << false;
    QTest::newRow("a longer allow wins") << everyone << "/docs/private/open.html" << true;
    QTest::newRow("elsewhere") << everyone << "/docs/a.html" << true;
    const QByteArray own = "User-agent: *\nDisallow: /\n\nUser-agent: Velmora\nDisallow: /tmp/\n";
    QTest::newRow("own group replaces everyone's") << own << "/docs/a.html" << true;
    QTest::newRow("own group's rule") << own << "/tmp/x.html" << false;
    QTest::newRow("wildcard and end")
        << QByteArray("User-agent: *\nDisallow: /*.php$\n") << "/a/b.php" << false;
    QTest::newRow("end anchors") << QByteArray("User-agent: *\nDisallow: /*.php$\n") << "/a/b.php?x=1"
                                 << true;
    QTest::newRow("empty disallow allows") << QByteArray("User-agent: *\nDisallow:\n") << "/a" << true;
    QTest::newRow("other robots' group")
        << QByteArray("User-agent: Googlebot\nDisallow: /\n") << "/a" << true;
}

void TestFollowRules::RobotsAllows() {
    QFETCH(QByteArray, robots);
    QFETCH(QString, path);
    QFETCH(bool, allowed);
    QCOMPARE(RobotsRules::Parse(robots).Allows(path), allowed);
}

void TestFollowRules::LinksInDocumentOrder() {
    const QString html = QStringLiteral(
        "<html><head><link rel=stylesheet href=s.css><link rel=\"prev\" href=p.html>"
        "<link rel=\"next\" href='n.html'></head><body><!-- <a href=commented.html> -->"
        "<a href=\"a.html?x=1&amp;y=2\">A</a><script>var s = '<a href=script.html>';</script>"
        "<map><area href=b.html></map><a rel=\"nofollow next\" href=c.html>C</a><a name=x>no href</a>");
    QStringList addresses;
    QList<bool> nexts;
    for (const PageLink& link : PageLinks(html)) {
        addresses.append(link.address);
        nexts.append(link.next);
    }
    QCOMPARE(addresses, (QStringList{"n.html", "a.html?x=1&y=2", "b.html", "c.html"}));
    QCOMPARE(nexts, (QList<bool>{true, false, false, true}));
}

void TestFollowRules::NextChainBeforeLinkOrder() {
    // The start's contents list a, b, c, d; the pages name c, a, b as the reading order.
    const QHash<QString, PageLinksRead> found = {
        {"start", {{"a", "b", "c", "d"}, "c"}},
        {"a", {{"start", "a2"}, "b"}},
        {"b", {{"start"}, {}}},
        {"c", {{"a"}, "a"}},
        {"d", {{}, {}}},
        {"a2", {{}, {}}},
    };
    QCOMPARE(ReadingOrder("start", found), (QStringList{"c", "a", "b", "a2", "d"}));
    // Without a chain: the order of first links in a depth-first reading.
    QHash<QString, PageLinksRead> plain = found;
    for (PageLinksRead& page : plain)
        page.next.clear();
    QCOMPARE(ReadingOrder("start", plain), (QStringList{"a", "a2", "b", "c", "d"}));
}

void TestFollowRules::LongChainAndLoopsEnd() {
    QHash<QString, PageLinksRead> found;
    const int count = 20000;
    for (int i = 0; i < count; ++i) // each page links to the next and back to the start: a loop
        found.insert(QString::number(i), {{QString::number((i + 1) % count), QStringLiteral("0")}, {}});
    const QStringList order = ReadingOrder("0", found);
    QCOMPARE(order.size(), count - 1);
    QCOMPARE(order.constLast(), QString::number(count - 1));
}

QTEST_GUILESS_MAIN(TestFollowRules)
#include "test_follow_rules.moc"
