#include "ui/relativetime.h"

#include <QCoreApplication>
#include <QLocale>

namespace {

QString dateText(const QDate &date, const QDate &today)
{
    if (date.year() != today.year())
        return date.toString(QStringLiteral("MMM d, yyyy"));
    return date.toString(QStringLiteral("MMM d"));
}

QString trText(const char *text)
{
    return QCoreApplication::translate("NoteListDelegate", text);
}

} // namespace

QString formatRelativeTime(const QDateTime &time)
{
    return formatRelativeTime(time, QDateTime::currentDateTime());
}

QString formatRelativeTime(const QDateTime &time, const QDateTime &now)
{
    if (!time.isValid())
        return QString();

    const QDateTime local = time.toLocalTime();
    const QDateTime localNow = now.toLocalTime();
    const QDate today = localNow.date();
    const qint64 seconds = local.secsTo(localNow);

    if (seconds < 0)
        return dateText(local.date(), today);
    if (seconds < 60)
        return trText("just now");
    if (seconds < 3600)
        return trText("%1m ago").arg(seconds / 60);
    if (seconds < 86400)
        return trText("%1h ago").arg(seconds / 3600);
    if (local.date() == today.addDays(-1))
        return trText("Yesterday");
    if (local.date() > today.addDays(-7))
        return QLocale().dayName(local.date().dayOfWeek(), QLocale::LongFormat);
    return dateText(local.date(), today);
}
