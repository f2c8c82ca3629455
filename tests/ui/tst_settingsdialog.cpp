#include "uitestsupport.h"

#include "document/appearance.h"
#include "storage/preferencesrepository.h"
#include "ui/mainwindow.h"
#include "ui/notebooklistwidget.h"
#include "ui/notelistwidget.h"
#include "ui/settingsdialog.h"
#include "ui/thememanager.h"
#include "ui/uiwindowfactory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QSettings>
#include <QSpinBox>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTest>

namespace {

int backgroundLightness(QListWidget *list)
{
    // A pixel near the bottom right of the viewport, where no row is drawn.
    const QImage image = list->viewport()->grab().toImage();
    return image.pixelColor(image.width() - 3, image.height() - 3).lightness();
}

} // namespace

class TestSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void categoriesAndPages();
    void controlsWriteStraightToPreferences();
    void unknownStoredThemeShowsSystem();
    void bodySizeIsBounded_data();
    void bodySizeIsBounded();
    void choosingDarkRestylesWindowsAndLists();
    void closeToTrayTogglesTrayIcon();

private:
    UiWindowFactory m_factory;
    std::unique_ptr<UiTestStore> m_store;
};

void TestSettingsDialog::init()
{
    QSettings::setDefaultFormat(QSettings::IniFormat);
    m_store = std::make_unique<UiTestStore>();
    QSettings::setPath(QSettings::IniFormat,
                       QSettings::UserScope,
                       m_store->dir.filePath("settings"));
    QVERIFY(m_store->open(&m_factory));
    QVERIFY(m_store->state->themeManager());
    m_store->state->themeManager()->setTheme("light");
}

void TestSettingsDialog::cleanup()
{
    m_store.reset();
}

void TestSettingsDialog::categoriesAndPages()
{
    SettingsDialog dialog(m_store->state.get());
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    QCOMPARE(dialog.windowTitle(), QString("Preferences"));
    QCOMPARE(dialog.minimumSize(), QSize(720, 520));
    QCOMPARE(dialog.size(), QSize(780, 560));

    auto *list = dialog.findChild<QListWidget *>("categoryList");
    QVERIFY(list);
    QCOMPARE(list->width(), 190);
    QCOMPARE(list->focusPolicy(), Qt::NoFocus);
    QCOMPARE(list->iconSize(), QSize(20, 20));
    QStringList names;
    for (int row = 0; row < list->count(); ++row) {
        names << list->item(row)->text();
        QVERIFY(!list->item(row)->icon().isNull());
    }
    // Sync and Account join once those services exist.
    QCOMPARE(names, (QStringList{"Appearance", "Editor", "Window"}));
    auto *pages = dialog.findChild<QStackedWidget *>();
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(pages->currentIndex(), 0);
    list->setCurrentRow(2);
    QCOMPARE(pages->currentIndex(), 2);
    QVERIFY(pages->currentWidget()->findChild<QCheckBox *>("closeToTrayCheck"));

    // A click on the empty space below the categories keeps the shown page's
    // row selected.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QRect last = list->visualItemRect(list->item(list->count() - 1));
    QTest::mouseClick(list->viewport(),
                      Qt::LeftButton,
                      {},
                      QPoint(last.center().x(), last.bottom() + 60));
    QCOMPARE(pages->currentIndex(), 2);
    QVERIFY(list->item(2)->isSelected());
}

void TestSettingsDialog::controlsWriteStraightToPreferences()
{
    PreferencesRepository *prefs = m_store->state->preferences();
    prefs->setBool("start_minimized", true);
    SettingsDialog dialog(m_store->state.get());
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);

    auto *steno = dialog.findChild<QCheckBox *>("stenoCheck");
    auto *minimized = dialog.findChild<QCheckBox *>("startMinimizedCheck");
    QVERIFY(!steno->isChecked());
    QVERIFY(minimized->isChecked());

    steno->setChecked(true);
    QCOMPARE(prefs->getString("steno_mode"), QString("1"));
    minimized->setChecked(false);
    QCOMPARE(prefs->getString("start_minimized"), QString("0"));

    auto *theme = dialog.findChild<QComboBox *>("themeCombo");
    QCOMPARE(theme->currentData().toString(), QString("light"));
    theme->setCurrentIndex(theme->findData("system"));
    QCOMPARE(prefs->getString("theme_mode"), QString("system"));
}

void TestSettingsDialog::unknownStoredThemeShowsSystem()
{
    m_store->state->preferences()->setString("theme_mode", "sepia");
    SettingsDialog dialog(m_store->state.get());
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    QCOMPARE(dialog.findChild<QComboBox *>("themeCombo")->currentData().toString(),
             QString("system"));
    // Showing it wrote nothing.
    QCOMPARE(m_store->state->preferences()->getString("theme_mode"), QString("sepia"));
}

void TestSettingsDialog::bodySizeIsBounded_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("typed");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("written");

    QTest::newRow("default") << -1 << 14 << 14 << "14";
    QTest::newRow("below range") << 12 << 5 << 9 << "9";
    QTest::newRow("above range") << 12 << 40 << 18 << "18";
    QTest::newRow("lowest") << 12 << 9 << 9 << "9";
    QTest::newRow("highest") << 12 << 18 << 18 << "18";
}

void TestSettingsDialog::bodySizeIsBounded()
{
    QFETCH(int, stored);
    QFETCH(int, typed);
    QFETCH(int, shown);
    QFETCH(QString, written);

    PreferencesRepository *prefs = m_store->state->preferences();
    if (stored >= 0)
        prefs->setInt("editor_body_pt", stored);
    SettingsDialog dialog(m_store->state.get());
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    auto *spin = dialog.findChild<QSpinBox *>("bodySizeSpin");
    QCOMPARE(spin->minimum(), 9);
    QCOMPARE(spin->maximum(), 18);
    QCOMPARE(spin->suffix(), QString(" pt"));
    QCOMPARE(spin->value(), 12);
    spin->setValue(typed);
    QCOMPARE(spin->value(), shown);
    QCOMPARE(prefs->getString("editor_body_pt"), written);
}

void TestSettingsDialog::choosingDarkRestylesWindowsAndLists()
{
    m_store->addPlainNote("A note");
    MainWindow window(m_store->state.get());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *dialog = new SettingsDialog(m_store->state.get(), &window);
    dialog->show();
    auto *categories = dialog->findChild<QListWidget *>("categoryList");
    QCOMPARE(categories->styleSheet(), SettingsDialog::categoryStyleSheet(false));
    QVERIFY(!isDarkTheme());
    QVERIFY(backgroundLightness(window.noteList()) > 200);
    QVERIFY(backgroundLightness(window.notebookList()) > 200);

    auto *theme = dialog->findChild<QComboBox *>("themeCombo");
    theme->setCurrentIndex(theme->findData("dark"));

    QCOMPARE(m_store->state->preferences()->getString("theme_mode"), QString("dark"));
    QCOMPARE(m_store->state->themeManager()->theme(), ThemeManager::Dark);
    QVERIFY(isDarkTheme());
    QCOMPARE(categories->styleSheet(), SettingsDialog::categoryStyleSheet(true));
    QVERIFY(SettingsDialog::categoryStyleSheet(true).contains("background: #1B1E22;"));
    // Top-level windows take the new palette from the event loop.
    QTRY_VERIFY(backgroundLightness(window.noteList()) < 60);
    QTRY_VERIFY(backgroundLightness(window.notebookList()) < 60);

    theme->setCurrentIndex(theme->findData("light"));
    QCOMPARE(categories->styleSheet(), SettingsDialog::categoryStyleSheet(false));
    dialog->close();
}

void TestSettingsDialog::closeToTrayTogglesTrayIcon()
{
    MainWindow window(m_store->state.get());
    SettingsDialog dialog(m_store->state.get(), &window);
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    auto *tray = dialog.findChild<QCheckBox *>("closeToTrayCheck");
    QVERIFY(!window.trayIcon());

    tray->setChecked(true);
    QCOMPARE(m_store->state->preferences()->getString("close_to_tray"), QString("1"));
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // Without a tray the setting cannot take effect: closing still quits.
        QVERIFY(!window.trayIcon());
        QVERIFY(!window.closesToTray());
        tray->setChecked(false);
        QCOMPARE(m_store->state->preferences()->getString("close_to_tray"), QString("0"));
        QSKIP("No system tray on this platform");
    }
    QVERIFY(window.trayIcon());
    QVERIFY(window.trayIcon()->isVisible());
    QVERIFY(window.closesToTray());
    tray->setChecked(false);
    QTRY_VERIFY(!window.trayIcon());
}

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
