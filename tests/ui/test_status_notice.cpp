#include "StatusNotice.h"

#include <QLabel>
#include <QStatusBar>
#include <QTest>

using namespace velmora;

// A notice over a status bar whose panes are placed by hand.
class TestStatusNotice : public QObject {
    Q_OBJECT
private slots:
    void panesStepAsideWhileTheNoticeShows();
};

void TestStatusNotice::panesStepAsideWhileTheNoticeShows() {
    QStatusBar bar;
    auto* left = new QLabel(QStringLiteral("3 rows"), &bar);
    auto* right = new QLabel(QStringLiteral("1 URL"), &bar);
    auto* later = new QLabel(QStringLiteral("shown after a run"), &bar);
    later->hide();
    bar.show();
    ShowStatusNotice(&bar, QStringLiteral("The Classic engine converts."));
    QCOMPARE(bar.currentMessage(), QStringLiteral("The Classic engine converts."));
    QVERIFY(!left->isVisible() && !right->isVisible());
    bar.clearMessage();
    QVERIFY(left->isVisible() && right->isVisible());
    QVERIFY(later->isHidden());
    bar.showMessage(QStringLiteral("another message")); // not a notice: the panes stay
    QVERIFY(left->isVisible());
}

QTEST_MAIN(TestStatusNotice)
#include "test_status_notice.moc"
