#include "cli/sync_reminder.h"

#include <algorithm>

namespace {

const char* const DayNames[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
const char* const MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QString DayName(const QDate& date)
{
    return QString::fromLatin1(DayNames[date.dayOfWeek() - 1]);
}

// "5 Dec", or "5 Dec 2024" outside today's year.
QString DayMonth(const QDate& date, const QDate& today)
{
    QString text = QString::number(date.day()) + QLatin1Char(' ') + QLatin1String(MonthNames[date.month() - 1]);
    if (date.year() != today.year())
        text += QLatin1Char(' ') + QString::number(date.year());
    return text;
}

// "Friday 5 Dec"
QString LongDate(const QDate& date, const QDate& today)
{
    return DayName(date) + QLatin1Char(' ') + DayMonth(date, today);
}

// "24–26 Nov", "28 Nov–2 Dec"; the year once, at the end, when both share one that is not today's.
QString DayRange(const QDate& from, const QDate& to, const QDate& today)
{
    const QString dash = QStringLiteral("\u2013");
    if (from.year() != to.year())
        return DayMonth(from, today) + dash + DayMonth(to, today);
    const QString last = DayMonth(to, today);
    if (from.month() == to.month())
        return QString::number(from.day()) + dash + last;
    return QString::number(from.day()) + QLatin1Char(' ') + QLatin1String(MonthNames[from.month() - 1]) + dash + last;
}

// "by Saturday", "by tomorrow", "today"; a deadline a week or more away names its date.
QString Deadline(const QDate& connectBy, const QDate& today)
{
    const qint64 days = today.daysTo(connectBy);
    if (days <= 0)
        return QStringLiteral("today");
    if (days == 1)
        return QStringLiteral("by tomorrow");
    if (days < 7)
        return QStringLiteral("by ") + DayName(connectBy);
    return QStringLiteral("by ") + LongDate(connectBy, today);
}

} // namespace

SyncReminderFacts SyncReminderFactsOf(const QString& userName, const SyncOutlook& outlook, const QDate& today)
{
    SyncReminderFacts facts;
    facts.UserName = userName;
    facts.Today = today;
    if (!outlook.Downloaded)
        return facts;
    facts.LastDownload = outlook.LastDownloadDate;
    facts.FirstAtRisk = outlook.FirstDayAtRisk;
    facts.ConnectBy = outlook.SaveBy;
    if (outlook.LostDays > 0 && outlook.LastLost.isValid() && outlook.LastLost > outlook.LastDownloadDate) {
        facts.LostFrom = std::max(outlook.FirstLost, outlook.LastDownloadDate.addDays(1));
        facts.LostTo = outlook.LastLost;
    }
    return facts;
}

bool SyncReminderDue(const SyncReminderFacts& facts)
{
    if (!facts.Today.isValid())
        return false;
    if (facts.LostFrom.isValid())
        return true;
    return facts.ConnectBy.isValid() && facts.Today.daysTo(facts.ConnectBy) <= ReminderLeadDays;
}

DesktopNotification SyncReminderNotification(const SyncReminderFacts& facts)
{
    const QDate& today = facts.Today;
    DesktopNotification n;
    n.ActionLabel = QStringLiteral("Open Kinetrax");
    QString lost;
    if (facts.LostFrom.isValid()) {
        const qint64 count = facts.LostFrom.daysTo(facts.LostTo) + 1;
        lost = count <= 1 ? LongDate(facts.LostFrom, today) + QStringLiteral(" was lost")
                          : QString::number(count) + QStringLiteral(" days were lost (")
                + DayRange(facts.LostFrom, facts.LostTo, today) + QLatin1Char(')');
    }
    n.Summary = facts.UserName + QStringLiteral(": ");
    if (facts.ConnectBy.isValid() && facts.FirstAtRisk.isValid()) {
        if (!lost.isEmpty())
            n.Summary += lost + QStringLiteral("; ");
        n.Summary += QStringLiteral("connect the pedometer ") + Deadline(facts.ConnectBy, today)
            + QStringLiteral(", or ") + LongDate(facts.FirstAtRisk, today) + QStringLiteral(" is lost");
        if (!lost.isEmpty())
            n.Summary += QStringLiteral(" too");
    } else {
        n.Summary += lost;
    }
    n.Body = QStringLiteral("The pedometer keeps eight days.");
    if (facts.LastDownload.isValid())
        n.Body += QStringLiteral(" Last download: ") + LongDate(facts.LastDownload, today) + QLatin1Char('.');
    return n;
}
