#include "storage/sqlvalues.h"

#include "storage/database.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// Julian day of 1970-01-01.
constexpr qint64 unixEpochJulianDay = 2440588;

int readDigits(const QChar *p, int count, bool &ok)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const unsigned digit = unsigned(p[i].unicode()) - unsigned('0');
        if (digit > 9)
            ok = false;
        value = value * 10 + int(digit);
    }
    return value;
}

} // namespace

QString timestampToText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime timestampFromText(const QString &text)
{
    // Every list read maps several times per row; Qt's general ISO parser
    // would dominate, so the exact form this store writes is parsed by hand.
    if (text.size() == 24) {
        const QChar *p = text.constData();
        if (p[4] == u'-' && p[7] == u'-' && p[10] == u'T' && p[13] == u':' && p[16] == u':'
            && p[19] == u'.' && p[23] == u'Z') {
            bool ok = true;
            const int year = readDigits(p, 4, ok);
            const int month = readDigits(p + 5, 2, ok);
            const int day = readDigits(p + 8, 2, ok);
            const int hour = readDigits(p + 11, 2, ok);
            const int minute = readDigits(p + 14, 2, ok);
            const int second = readDigits(p + 17, 2, ok);
            const int msec = readDigits(p + 20, 3, ok);
            if (ok && QDate::isValid(year, month, day) && hour < 24 && minute < 60 && second < 60) {
                const qint64 days = QDate(year, month, day).toJulianDay() - unixEpochJulianDay;
                const qint64 msecs = (((days * 24 + hour) * 60 + minute) * 60 + second) * 1000
                                     + msec;
                return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
            }
        }
    }
    if (text.isEmpty())
        return QDateTime();
    const QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
    return parsed.isValid() ? parsed.toUTC() : QDateTime();
}

std::optional<QDateTime> optionalTimestampFromText(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    return timestampFromText(text);
}

QVariant timestampOrNull(const std::optional<QDateTime> &time)
{
    if (!time)
        return QVariant(QMetaType::fromType<QString>());
    return timestampToText(*time);
}

QVariant textOrNull(const QString &text)
{
    if (text.isEmpty())
        return QVariant(QMetaType::fromType<QString>());
    return text;
}

QVariant textOrEmpty(const QString &text)
{
    return text.isNull() ? QString(QLatin1String("")) : text;
}

bool execStatement(Database *database,
                   const QString &sql,
                   const QVariantList &values,
                   QString *error)
{
    // A statement taken from the cache may have been finalised behind the
    // cache's back (the connection closed through another handle); a failed
    // statement changes nothing in SQLite, so it is prepared afresh and run
    // once more.
    for (int attempt = 0; attempt < 2; ++attempt) {
        QString prepareError;
        QSqlQuery *query = database->cachedQuery(sql, &prepareError);
        if (!query) {
            if (error)
                *error = prepareError;
            return false;
        }
        for (qsizetype i = 0; i < values.size(); ++i)
            query->bindValue(int(i), values.at(i));
        const bool ok = query->exec();
        const QSqlError failure = ok ? QSqlError() : query->lastError();
        query->finish();
        if (ok)
            return true;
        database->dropCachedQuery(sql);
        if (attempt == 1 || failure.type() != QSqlError::StatementError) {
            const QString text = failure.text();
            if (error)
                *error = text;
            return false;
        }
    }
    return false;
}
