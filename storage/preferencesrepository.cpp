#include "storage/preferencesrepository.h"

#include "storage/database.h"
#include "storage/sqlvalues.h"

#include <QSqlQuery>

PreferencesRepository::PreferencesRepository(Database *database, QObject *parent)
    : QObject(parent)
    , m_database(database)
{}

std::optional<QString> PreferencesRepository::value(const QString &key) const
{
    QSqlQuery query(m_database->database());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT value FROM preferences WHERE key = ?")))
        return std::nullopt;
    query.addBindValue(textOrEmpty(key));
    if (!query.exec() || !query.next())
        return std::nullopt;
    // A NULL value is a present key holding nothing.
    const QString text = query.value(0).toString();
    return text.isNull() ? QString(QLatin1String("")) : text;
}

QString PreferencesRepository::getString(const QString &key, const QString &defaultValue) const
{
    return value(key).value_or(defaultValue);
}

bool PreferencesRepository::getBool(const QString &key, bool defaultValue) const
{
    const std::optional<QString> stored = value(key);
    if (!stored)
        return defaultValue;
    return *stored == QLatin1String("1") || *stored == QLatin1String("true")
           || *stored == QLatin1String("yes");
}

int PreferencesRepository::getInt(const QString &key, int defaultValue) const
{
    const std::optional<QString> stored = value(key);
    if (!stored)
        return defaultValue;
    bool ok = false;
    const int number = stored->toInt(&ok, 10);
    return ok ? number : defaultValue;
}

void PreferencesRepository::setString(const QString &key, const QString &value)
{
    const std::optional<QString> stored = this->value(key);
    if (stored && *stored == value)
        return;
    if (execStatement(m_database,
                      QStringLiteral("INSERT INTO preferences (key, value) VALUES (?, ?) "
                                     "ON CONFLICT(key) DO UPDATE SET value = excluded.value"),
                      {textOrEmpty(key), textOrEmpty(value)}))
        emit changed(key);
}

void PreferencesRepository::setBool(const QString &key, bool value)
{
    setString(key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void PreferencesRepository::setInt(const QString &key, int value)
{
    setString(key, QString::number(value));
}

void PreferencesRepository::remove(const QString &key)
{
    if (execStatement(m_database,
                      QStringLiteral("DELETE FROM preferences WHERE key = ?"),
                      {textOrEmpty(key)}))
        emit changed(key);
}
