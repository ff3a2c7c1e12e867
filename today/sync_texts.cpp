#include "today/sync_texts.h"

#include <QLocale>

#include <array>

namespace {

const std::array<const char*, SyncStatusTextCount> BuiltInTexts = {
    "Last download: today %1",
    "Last download: today",
    "Last download: yesterday %1",
    "Last download: yesterday",
    "Last download %1 days ago \u2013 connect the pedometer by %2 or %3 is lost",
    "%1 days were lost (%2): the pedometer keeps eight days",
    "1 day was lost (%1): the pedometer keeps eight days",
    "No data: this day was never downloaded",
    "Not downloaded yet: the pedometer still holds this day",
    "Not in the history: this day's download is kept in the download log",
    "%1 days without data",
    "1 day without data",
};

QString DayText(const QDate& date, const char* format)
{
    return QLocale::c().toString(date, QString::fromLatin1(format));
}

} // namespace

QString SyncStatusText(const TSoftInfo& catalog, SyncStatusTextId id)
{
    if (id < 0 || id >= SyncStatusTextCount)
        return QString();
    if (size_t(id) < catalog.SyncStatus.size() && !catalog.SyncStatus[size_t(id)].isEmpty())
        return catalog.SyncStatus[size_t(id)];
    return QString::fromUtf8(BuiltInTexts[size_t(id)]);
}

QString DaySpanText(const QDate& first, const QDate& last)
{
    if (first == last)
        return DayText(first, "d MMM");
    const QString dash = QStringLiteral("\u2013");
    if (first.year() != last.year())
        return DayText(first, "d MMM yyyy") + dash + DayText(last, "d MMM yyyy");
    if (first.month() != last.month())
        return DayText(first, "d MMM") + dash + DayText(last, "d MMM");
    return QString::number(first.day()) + dash + DayText(last, "d MMM");
}

SyncLine SyncStatusLine(const SyncOutlook& outlook, const QDate& today, const TSoftInfo& catalog)
{
    SyncLine line;
    if (!outlook.Downloaded || !today.isValid())
        return line;
    if (outlook.LostDays > 0) {
        line.Tone = SyncLineTone::Alarm;
        const QString span = DaySpanText(outlook.FirstLost, outlook.LastLost);
        line.Text = outlook.LostDays == 1
            ? SyncStatusText(catalog, SyncDayLost).arg(span)
            : SyncStatusText(catalog, SyncDaysLost).arg(QString::number(outlook.LostDays), span);
        return line;
    }
    if (outlook.DaysLeft <= 2)
        line.Tone = SyncLineTone::Warning;
    const qint64 ago = outlook.LastDownloadDate.daysTo(today);
    const QString time = outlook.LastDownload ? outlook.LastDownload->time().toString(QStringLiteral("HH:mm")) : QString();
    if (ago <= 0) {
        line.Text = time.isEmpty() ? SyncStatusText(catalog, SyncLastTodayUntimed)
                                   : SyncStatusText(catalog, SyncLastToday).arg(time);
    } else if (ago == 1) {
        line.Text = time.isEmpty() ? SyncStatusText(catalog, SyncLastYesterdayUntimed)
                                   : SyncStatusText(catalog, SyncLastYesterday).arg(time);
    } else {
        line.Text = SyncStatusText(catalog, SyncLastDaysAgo)
                        .arg(QString::number(ago), DayText(outlook.SaveBy, "ddd d MMM"),
                             DayText(outlook.FirstDayAtRisk, "ddd d MMM"));
    }
    return line;
}

QString DayStatusTip(DayStatus status, const TSoftInfo& catalog)
{
    switch (status) {
    case DayStatus::Lost: return SyncStatusText(catalog, SyncTipLost);
    case DayStatus::OnPedometer: return SyncStatusText(catalog, SyncTipOnPedometer);
    case DayStatus::LogOnly: return SyncStatusText(catalog, SyncTipLogOnly);
    case DayStatus::Recorded:
    case DayStatus::None: break;
    }
    return QString();
}

QString LostDaysTip(int lostDays, const TSoftInfo& catalog)
{
    if (lostDays <= 0)
        return QString();
    return lostDays == 1 ? SyncStatusText(catalog, SyncTipDayWithoutData)
                         : SyncStatusText(catalog, SyncTipDaysWithoutData).arg(QString::number(lostDays));
}
