#pragma once

#include <QObject>
#include <QString>

#include <optional>

class Database;

// Key-value store of user settings in the preferences table, so that they
// travel with the database file. Values are text; typed access converts.
class PreferencesRepository : public QObject
{
    Q_OBJECT

public:
    explicit PreferencesRepository(Database *database, QObject *parent = nullptr);

    std::optional<QString> value(const QString &key) const;
    QString getString(const QString &key, const QString &defaultValue = QString()) const;
    bool getBool(const QString &key, bool defaultValue = false) const;
    int getInt(const QString &key, int defaultValue = 0) const;

    // Writing the value already stored writes nothing and emits nothing.
    void setString(const QString &key, const QString &value);
    void setBool(const QString &key, bool value);
    void setInt(const QString &key, int value);
    void remove(const QString &key);

signals:
    void changed(const QString &key);

private:
    Database *m_database;
};
