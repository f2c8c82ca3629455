// The status bar after a theme switch: its labels take the new palette
// instead of keeping the colours the style sheet polished them with.

#include "ui/statusbar.h"
#include "ui/thememanager.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTest>

class TestStatusBar : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { QApplication::setPalette(ThemeManager::lightPalette()); }
    void labelsFollowThemeSwitch_data();
    void labelsFollowThemeSwitch();
};

void TestStatusBar::labelsFollowThemeSwitch_data()
{
    QTest::addColumn<bool>("toDark");
    QTest::newRow("light to dark") << true;
    QTest::newRow("dark to light") << false;
}

void TestStatusBar::labelsFollowThemeSwitch()
{
    QFETCH(bool, toDark);
    const QPalette from = toDark ? ThemeManager::lightPalette() : ThemeManager::darkPalette();
    const QPalette to = toDark ? ThemeManager::darkPalette() : ThemeManager::lightPalette();
    QApplication::setPalette(from);
    QMainWindow window;
    auto *bar = new StatusBar(&window);
    window.setStatusBar(bar);
    bar->setLocation(QStringLiteral("Work"), 2);
    window.show();
    QCoreApplication::processEvents();

    QApplication::setPalette(to);
    QCoreApplication::processEvents();
    const QList<QLabel *> labels = bar->findChildren<QLabel *>();
    QVERIFY(!labels.isEmpty());
    for (QLabel *label : labels) {
        QCOMPARE(label->palette().color(QPalette::WindowText), to.color(QPalette::WindowText));
        QCOMPARE(label->palette().color(QPalette::Window), to.color(QPalette::Window));
    }
    QCOMPARE(bar->palette().color(QPalette::Window), to.color(QPalette::Window));
    // The bar keeps its own look: the style sheet is still in place.
    QVERIFY(bar->styleSheet().contains(QStringLiteral("#78909C")));
    QCOMPARE(bar->locationText(), QStringLiteral("Work (2 notes)"));
}

QTEST_MAIN(TestStatusBar)
#include "tst_statusbar.moc"
