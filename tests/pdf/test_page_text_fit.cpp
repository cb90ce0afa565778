// Where the three parts of a header or footer line go, and where they are cut.
#include "PageTextFit.h"

#include <QFont>
#include <QFontMetricsF>
#include <QTest>

using namespace velmora;

namespace {

const QString kTitle = QStringLiteral("Comments - The Rust Programming Language");
const QString kOtherTitle = QStringLiteral("Installation - The Rust Programming Language");
const QChar kEllipsis(0x2026);

} // namespace

class TestPageTextFit : public QObject {
    Q_OBJECT
private slots:
    void partsUseTheRoomTheirNeighboursLeave_data();
    void partsUseTheRoomTheirNeighboursLeave();
};

void TestPageTextFit::partsUseTheRoomTheirNeighboursLeave_data() {
    QTest::addColumn<QStringList>("parts");    // left, centre, right
    QTest::addColumn<QString>("lineAsWideAs"); // the line is as wide as this text
    QTest::addColumn<QList<bool>>("cut");      // left, centre, right

    const QString page = QStringLiteral("Page 3 of 12");
    QTest::newRow("a long left part beside a short right one")
        << QStringList{kTitle, "", page} << kTitle + "   " + page << QList<bool>{false, false, false};
    QTest::newRow("a long right part beside a short left one")
        << QStringList{page, "", kTitle} << page + "   " + kTitle << QList<bool>{false, false, false};
    QTest::newRow("two long side parts meet in the middle")
        << QStringList{kTitle, "", kOtherTitle} << kOtherTitle + "  " << QList<bool>{true, false, true};
    QTest::newRow("a long side part and a short centre")
        << QStringList{kTitle, "3", ""} << kTitle + "   3   " + kTitle << QList<bool>{false, false, false};
    QTest::newRow("a long side part runs into the centre")
        << QStringList{kTitle, "3", ""} << kTitle + "3" << QList<bool>{true, false, false};
    QTest::newRow("a centre part alone takes the whole line")
        << QStringList{"", kTitle, ""} << kTitle + " " << QList<bool>{false, false, false};
    QTest::newRow("three long parts")
        << QStringList{kTitle, kOtherTitle, kTitle} << kTitle + kTitle << QList<bool>{true, true, true};
}

void TestPageTextFit::partsUseTheRoomTheirNeighboursLeave() {
    QFETCH(QStringList, parts);
    QFETCH(QString, lineAsWideAs);
    QFETCH(QList<bool>, cut);
    QFont font;
    font.setPointSizeF(10);
    const QFontMetricsF metrics(font);
    const double width = metrics.horizontalAdvance(lineAsWideAs);

    const std::array<QString, 3> shown = pdf::FitPageTextLine({parts[0], parts[1], parts[2]}, metrics, width);

    std::array<double, 3> advance{};
    for (int part = 0; part < 3; ++part) {
        advance[part] = metrics.horizontalAdvance(shown[part]);
        if (cut[part]) {
            QVERIFY2(shown[part] != parts[part] && shown[part].contains(kEllipsis), qPrintable(shown[part]));
        } else {
            QCOMPARE(shown[part], parts[part]);
        }
    }
    // Shortened in the middle: the start and the end stay.
    for (int part = 0; part < 3; ++part)
        if (cut[part])
            QVERIFY(shown[part].startsWith(parts[part].left(2)) && shown[part].endsWith(parts[part].right(2)));
    // Drawn from the left edge, centred and to the right edge, no two parts overlap.
    const double centreLeft = (width - advance[1]) / 2;
    const double leftEnd = advance[0];
    const double rightStart = width - advance[2];
    if (!shown[1].isEmpty()) {
        QVERIFY(leftEnd <= centreLeft);
        QVERIFY(centreLeft + advance[1] <= rightStart);
    } else {
        QVERIFY(leftEnd <= rightStart);
    }
}

QTEST_MAIN(TestPageTextFit)
#include "test_page_text_fit.moc"
