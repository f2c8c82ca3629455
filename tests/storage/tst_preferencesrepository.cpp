#include "storage/preferencesrepository.h"
#include "tests/storage/storetestutil.h"

#include <QSignalSpy>
#include <QTest>

class TestPreferencesRepository : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void getBool_data();
    void getBool();
    void getInt_data();
    void getInt();
    void setBoolStoresDigits();
    void sameValueWritesNothing();
    void removeAlwaysAnnounces();
    void nullValueAndMissingKey_data();
    void nullValueAndMissingKey();
};

void TestPreferencesRepository::getBool_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<bool>("expected");
    QTest::newRow("1") << "1" << false << true;
    QTest::newRow("true") << "true" << false << true;
    QTest::newRow("yes") << "yes" << false << true;
    QTest::newRow("TRUE") << "TRUE" << true << false;
    QTest::newRow("Yes") << "Yes" << true << false;
    QTest::newRow("0") << "0" << true << false;
    QTest::newRow("empty") << "" << true << false;
    QTest::newRow(" 1") << " 1" << true << false;
}

void TestPreferencesRepository::getBool()
{
    QFETCH(QString, stored);
    QFETCH(bool, defaultValue);
    QFETCH(bool, expected);
    TestStore store;
    QVERIFY(store.ready);
    PreferencesRepository preferences(&store.database);
    preferences.setString("flag", stored);
    QCOMPARE(preferences.getBool("flag", defaultValue), expected);
}

void TestPreferencesRepository::getInt_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("decimal") << "14" << 14;
    QTest::newRow("negative") << "-3" << -3;
    QTest::newRow("words") << "large" << 12;
    QTest::newRow("empty") << "" << 12;
    QTest::newRow("fraction") << "13.5" << 12;
    QTest::newRow("hex") << "0x10" << 12;
    QTest::newRow("overflow") << "99999999999" << 12;
}

void TestPreferencesRepository::getInt()
{
    QFETCH(QString, stored);
    QFETCH(int, expected);
    TestStore store;
    QVERIFY(store.ready);
    PreferencesRepository preferences(&store.database);
    preferences.setString("editor_body_pt", stored);
    QCOMPARE(preferences.getInt("editor_body_pt", 12), expected);
}

void TestPreferencesRepository::setBoolStoresDigits()
{
    TestStore store;
    QVERIFY(store.ready);
    PreferencesRepository preferences(&store.database);
    QSignalSpy changed(&preferences, &PreferencesRepository::changed);
    preferences.setBool("close_to_tray", true);
    QCOMPARE(preferences.getString("close_to_tray"), QStringLiteral("1"));
    preferences.setBool("close_to_tray", false);
    QCOMPARE(preferences.getString("close_to_tray"), QStringLiteral("0"));
    preferences.setInt("sync_interval_minutes", 15);
    QCOMPARE(preferences.getString("sync_interval_minutes"), QStringLiteral("15"));
    QCOMPARE(changed.count(), 3);
    QCOMPARE(changed.at(0).at(0).toString(), QStringLiteral("close_to_tray"));
    QCOMPARE(store.scalar("SELECT COUNT(*) FROM preferences").toInt(), 2);
}

void TestPreferencesRepository::sameValueWritesNothing()
{
    TestStore store;
    QVERIFY(store.ready);
    PreferencesRepository preferences(&store.database);
    preferences.setString("theme_mode", "dark");
    QSignalSpy changed(&preferences, &PreferencesRepository::changed);
    const int writesBefore = store.scalar("SELECT total_changes()").toInt();
    preferences.setString("theme_mode", "dark");
    preferences.setBool("steno_mode", false);
    preferences.setBool("steno_mode", false);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(store.scalar("SELECT total_changes()").toInt(), writesBefore + 1);
    preferences.setString("theme_mode", "Dark"); // case matters
    QCOMPARE(changed.count(), 2);
}

void TestPreferencesRepository::removeAlwaysAnnounces()
{
    TestStore store;
    QVERIFY(store.ready);
    PreferencesRepository preferences(&store.database);
    preferences.setString("restore_note_windows", "a,b");
    QSignalSpy changed(&preferences, &PreferencesRepository::changed);
    preferences.remove("restore_note_windows");
    preferences.remove("never_set");
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(1).at(0).toString(), QStringLiteral("never_set"));
    QVERIFY(!preferences.value("restore_note_windows"));
}

void TestPreferencesRepository::nullValueAndMissingKey_data()
{
    QTest::addColumn<bool>("storedNull");
    QTest::newRow("NULL value") << true;
    QTest::newRow("missing key") << false;
}

// A NULL value is present and reads as empty text; a missing key gives each
// default.
void TestPreferencesRepository::nullValueAndMissingKey()
{
    QFETCH(bool, storedNull);
    TestStore store;
    QVERIFY(store.ready);
    if (storedNull)
        QVERIFY(store.exec("INSERT INTO preferences (key, value) VALUES ('k', NULL)"));
    PreferencesRepository preferences(&store.database);
    QCOMPARE(preferences.value("k"), storedNull ? std::optional<QString>("") : std::nullopt);
    QCOMPARE(preferences.getString("k", "fallback"), QString(storedNull ? "" : "fallback"));
    QCOMPARE(preferences.getBool("k", true), !storedNull);
    QCOMPARE(preferences.getInt("k", 5), 5);
}

QTEST_GUILESS_MAIN(TestPreferencesRepository)
#include "tst_preferencesrepository.moc"
