#include "app/appstate.h"
#include "storage/preferencesrepository.h"
#include "ui/thememanager.h"

#include <QApplication>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestThemeManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void paletteTable_data();
    void paletteTable();
    void modeSelectsThemeAndWritesBack_data();
    void modeSelectsThemeAndWritesBack();
    void unknownModeFollowsDesktop();
    void storedModeIsApplied_data();
    void storedModeIsApplied();
    void unchangedWriteBackDoesNotLoop();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<AppState> m_state;
};

void TestThemeManager::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("NOTES_DATA_DIR", m_dir->path().toUtf8());
    m_state = std::make_unique<AppState>();
    m_state->setStoragePaths(m_dir->filePath("t.db"), m_dir->filePath("attachments"));
    QVERIFY(m_state->initialize());
}

void TestThemeManager::cleanupTestCase()
{
    m_state.reset();
    m_dir.reset();
}

void TestThemeManager::paletteTable_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("colour");

    struct Row
    {
        QPalette::ColorRole role;
        const char *light;
        const char *dark;
    };
    const Row rows[] = {
        {QPalette::Window, "#FAFAFA", "#1E1E1E"},
        {QPalette::WindowText, "#212121", "#E0E0E0"},
        {QPalette::Base, "#FFFFFF", "#252525"},
        {QPalette::AlternateBase, "#F5F7FA", "#2A2A2A"},
        {QPalette::Text, "#212121", "#E0E0E0"},
        {QPalette::Button, "#FAFAFA", "#252525"},
        {QPalette::ButtonText, "#212121", "#E0E0E0"},
        {QPalette::Highlight, "#1565C0", "#42A5F5"},
        {QPalette::HighlightedText, "#FFFFFF", "#1E1E1E"},
        {QPalette::ToolTipBase, "#FFFFFF", "#252525"},
        {QPalette::ToolTipText, "#212121", "#E0E0E0"},
        {QPalette::PlaceholderText, "#78909C", "#9E9E9E"},
        {QPalette::Mid, "#E0E0E0", "#3A3A3A"},
        {QPalette::Light, "#FFFFFF", "#3A3A3A"},
        {QPalette::Dark, "#B0BEC5", "#0D0D0D"},
    };
    // Every table entry holds for the active and inactive groups; the
    // disabled group keeps them except for the three text roles.
    const QPalette::ColorGroup groups[] = {QPalette::Active, QPalette::Inactive, QPalette::Disabled};
    for (const Row &row : rows) {
        for (QPalette::ColorGroup group : groups) {
            const bool disabledText = group == QPalette::Disabled
                                      && (row.role == QPalette::WindowText
                                          || row.role == QPalette::Text
                                          || row.role == QPalette::ButtonText);
            const QString light = disabledText ? "#9E9E9E" : row.light;
            const QString dark = disabledText ? "#555555" : row.dark;
            const QByteArray tag = QByteArray::number(int(row.role)) + "/"
                                   + QByteArray::number(int(group));
            QTest::newRow(("light " + tag).constData())
                << "light" << int(group) << int(row.role) << light;
            QTest::newRow(("dark " + tag).constData())
                << "dark" << int(group) << int(row.role) << dark;
        }
    }
}

void TestThemeManager::paletteTable()
{
    QFETCH(QString, mode);
    QFETCH(int, group);
    QFETCH(int, role);
    QFETCH(QString, colour);

    ThemeManager manager(m_state->preferences());
    manager.setTheme(mode);
    const QPalette applied = QApplication::palette();
    QCOMPARE(applied.color(QPalette::ColorGroup(group), QPalette::ColorRole(role)).name(),
             QColor(colour).name());
}

void TestThemeManager::modeSelectsThemeAndWritesBack_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("theme");
    QTest::addColumn<QString>("stored");

    QTest::newRow("light") << "light" << int(ThemeManager::Light) << "light";
    QTest::newRow("dark") << "dark" << int(ThemeManager::Dark) << "dark";
    QTest::newRow("system") << "system" << int(ThemeManager::System) << "system";
    QTest::newRow("upper case is not a mode") << "Dark" << int(ThemeManager::System) << "system";
    QTest::newRow("empty") << "" << int(ThemeManager::System) << "system";
}

void TestThemeManager::modeSelectsThemeAndWritesBack()
{
    QFETCH(QString, mode);
    QFETCH(int, theme);
    QFETCH(QString, stored);

    ThemeManager manager(m_state->preferences());
    QCOMPARE(manager.theme(), ThemeManager::System);
    QSignalSpy spy(&manager, &ThemeManager::themeChanged);
    manager.setTheme(mode);
    QCOMPARE(int(manager.theme()), theme);
    QCOMPARE(m_state->preferences()->getString("theme_mode", "unset"), stored);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<ThemeManager::Theme>(), ThemeManager::Theme(theme));
}

void TestThemeManager::unknownModeFollowsDesktop()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    QSKIP("The desktop scheme comes from the style hints on this Qt version");
#else
    ThemeManager manager(m_state->preferences());
    m_state->preferences()->setString("theme_mode", "sepia");

    // A desktop with light text on dark windows.
    QPalette desktopDark(QColor("#303030"), QColor("#202020"));
    desktopDark.setColor(QPalette::WindowText, QColor("#F0F0F0"));
    QApplication::setPalette(desktopDark);
    manager.applyStoredTheme();
    QCOMPARE(manager.theme(), ThemeManager::System);
    QCOMPARE(QApplication::palette().color(QPalette::Window).name(), QString("#1e1e1e"));
    QCOMPARE(m_state->preferences()->getString("theme_mode", ""), QString("system"));

    // Re-applying keeps following the desktop, not the palette we installed.
    manager.setTheme("system");
    QCOMPARE(QApplication::palette().color(QPalette::Window).name(), QString("#1e1e1e"));

    QPalette desktopLight(QColor("#E0E0E0"), QColor("#EEEEEE"));
    desktopLight.setColor(QPalette::WindowText, QColor("#101010"));
    QApplication::setPalette(desktopLight);
    manager.setTheme("whatever");
    QCOMPARE(manager.theme(), ThemeManager::System);
    QCOMPARE(QApplication::palette().color(QPalette::Window).name(), QString("#fafafa"));
#endif
}

void TestThemeManager::storedModeIsApplied_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("theme");
    QTest::addColumn<QString>("window");

    QTest::newRow("dark") << "dark" << int(ThemeManager::Dark) << "#1e1e1e";
    QTest::newRow("light") << "light" << int(ThemeManager::Light) << "#fafafa";
}

void TestThemeManager::storedModeIsApplied()
{
    QFETCH(QString, stored);
    QFETCH(int, theme);
    QFETCH(QString, window);

    m_state->preferences()->setString("theme_mode", stored);
    ThemeManager manager(m_state->preferences(), m_state.get());
    manager.applyStoredTheme();
    QCOMPARE(int(manager.theme()), theme);
    QCOMPARE(QApplication::palette().color(QPalette::Window).name(), window);
}

void TestThemeManager::unchangedWriteBackDoesNotLoop()
{
    ThemeManager manager(m_state->preferences());
    manager.setTheme("dark");
    QSignalSpy changed(m_state->preferences(), &PreferencesRepository::changed);
    manager.setTheme("dark");
    QCOMPARE(changed.count(), 0);
    manager.setTheme("light");
    QCOMPARE(changed.count(), 1);
}

QTEST_MAIN(TestThemeManager)
#include "tst_thememanager.moc"
