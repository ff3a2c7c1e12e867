#include "store/day_status.h"

#include "store/activity_file.h"
#include "store/date_key.h"
#include "tests/support/builders.h"
#include "tests/support/temp_data_dir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

Q_DECLARE_METATYPE(DayRecordList)
Q_DECLARE_METATYPE(std::vector<DownloadLogEntry>)

namespace {

QDate D(const char* iso)
{
    return QDate::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

// Records of 0 steps on every day from first to last: a day without steps is still recorded.
DayRecordList Span(const char* first, const char* last, DayRecordList records = {})
{
    for (QDate d = D(first); d <= D(last); d = d.addDays(1))
        records.push_back(Day(DateKey(d), 0));
    return records;
}

std::vector<DownloadLogEntry> Log(std::initializer_list<const char*> whens)
{
    std::vector<DownloadLogEntry> log;
    for (const char* w : whens) {
        DownloadLogEntry e;
        e.When = QDateTime::fromString(QString::fromLatin1(w), Qt::ISODate);
        log.push_back(e);
    }
    return log;
}

// One character per day: . none, R recorded, P on the pedometer, G in the log only, L lost.
QString StatusText(const DayStatusIndex& index, const QDate& from, int days)
{
    QString text;
    for (int i = 0; i < days; ++i) {
        switch (index.StatusOf(from.addDays(i))) {
        case DayStatus::None: text += QLatin1Char('.'); break;
        case DayStatus::Recorded: text += QLatin1Char('R'); break;
        case DayStatus::OnPedometer: text += QLatin1Char('P'); break;
        case DayStatus::LogOnly: text += QLatin1Char('G'); break;
        case DayStatus::Lost: text += QLatin1Char('L'); break;
        }
    }
    return text;
}

} // namespace

class DayStatusTest : public QObject {
    Q_OBJECT

private slots:
    // Each row: the history, the log and today; the statuses of the days from `from` on, and the outlook
    // (last download date and time, first day at risk, days left, lost days and their span).
    void statusesAndOutlook_data()
    {
        QTest::addColumn<DayRecordList>("records");
        QTest::addColumn<std::vector<DownloadLogEntry>>("log");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QString>("statuses");
        QTest::addColumn<QDate>("lastDownload");
        QTest::addColumn<QString>("lastTime");   // "" when only the records tell it
        QTest::addColumn<QDate>("atRisk");
        QTest::addColumn<int>("daysLeft");
        QTest::addColumn<int>("lostDays");
        QTest::addColumn<QDate>("firstLost");
        QTest::addColumn<QDate>("lastLost");

        const QDate today = D("2024-12-10");
        QTest::newRow("nothing downloaded yet")
            << DayRecordList {} << Log({}) << today << D("2024-12-01") << QString(11, QLatin1Char('.'))
            << QDate() << "" << QDate() << 0 << 0 << QDate() << QDate();
        QTest::newRow("first download ever, today")
            << Span("2024-12-03", "2024-12-10") << Log({ "2024-12-10T09:42:00+01:00" }) << today
            << D("2024-12-01") << "..RRRRRRRR." << today << "09:42" << D("2024-12-11") << 8 << 0 << QDate()
            << QDate();
        // The last download k days ago, nothing since.
        QTest::newRow("7 days without a download")
            << Span("2024-11-20", "2024-12-03") << Log({ "2024-12-03T20:00:00+01:00" }) << today
            << D("2024-12-01") << "RRRPPPPPPP." << D("2024-12-03") << "20:00" << D("2024-12-04") << 1 << 0
            << QDate() << QDate();
        QTest::newRow("8 days without a download: today is the last day")
            << Span("2024-11-20", "2024-12-02") << Log({ "2024-12-02T20:00:00+01:00" }) << today
            << D("2024-12-01") << "RRPPPPPPPP." << D("2024-12-02") << "20:00" << D("2024-12-03") << 0 << 0
            << QDate() << QDate();
        QTest::newRow("9 days without a download: one day lost")
            << Span("2024-11-20", "2024-12-01") << Log({ "2024-12-01T20:00:00+01:00" }) << today
            << D("2024-12-01") << "RLPPPPPPPP." << D("2024-12-01") << "20:00" << D("2024-12-03") << 0 << 1
            << D("2024-12-02") << D("2024-12-02");
        // Two downloads k days apart, the second today.
        QTest::newRow("downloads 8 days apart lose nothing")
            << Span("2024-11-20", "2024-12-02", Span("2024-12-03", "2024-12-10"))
            << Log({ "2024-12-02T08:00:00+01:00", "2024-12-10T08:00:00+01:00" }) << today << D("2024-12-01")
            << "RRRRRRRRRR." << today << "08:00" << D("2024-12-11") << 8 << 0 << QDate() << QDate();
        QTest::newRow("downloads 10 days apart lose two days")
            << Span("2024-11-20", "2024-11-30", Span("2024-12-03", "2024-12-10"))
            << Log({ "2024-11-30T08:00:00+01:00", "2024-12-10T08:00:00+01:00" }) << today << D("2024-11-29")
            << "RRLLRRRRRRRR." << today << "08:00" << D("2024-12-11") << 8 << 2 << D("2024-12-01")
            << D("2024-12-02");
        QTest::newRow("an old gap is not the latest loss")
            << Span("2024-11-01", "2024-11-03", Span("2024-11-10", "2024-12-10")) << Log({}) << today
            << D("2024-11-02") << "RRLLLLLLRR" << today << "" << D("2024-12-11") << 8 << 0 << QDate() << QDate();
        QTest::newRow("a gap since the last download and one before it")
            << Span("2024-11-10", "2024-11-15", Span("2024-11-22", "2024-11-29"))
            << Log({ "2024-11-15T08:00:00+01:00", "2024-11-29T08:00:00+01:00" }) << today << D("2024-11-14")
            << "RRLLLLLLRRRRRRRRLLLPPPPPPPP." << D("2024-11-29") << "08:00" << D("2024-12-03") << 0 << 9
            << D("2024-11-16") << D("2024-12-02");
        // The log and the history disagree: a day a download took but the file lacks is in the log only;
        // a record the log does not explain is still recorded; without a log the records tell the
        // downloads.
        QTest::newRow("log has a day the history lacks")
            << Span("2024-11-20", "2024-11-24", Span("2024-11-26", "2024-12-10"))
            << Log({ "2024-11-27T08:00:00+01:00", "2024-12-10T08:00:00+01:00" }) << today << D("2024-11-23")
            << "RRGRRR" << today << "08:00" << D("2024-12-11") << 8 << 0 << QDate() << QDate();
        QTest::newRow("history without a log")
            << Span("2024-11-20", "2024-12-06") << Log({}) << today << D("2024-11-19")
            << ".RRRRRRRRRRRRRRRRRPPPP." << D("2024-12-06") << "" << D("2024-12-07") << 4 << 0 << QDate()
            << QDate();
        QTest::newRow("log without a history")
            << DayRecordList {} << Log({ "2024-11-20T08:00:00+01:00" }) << today << D("2024-11-12")
            << ".GGGGGGGGLLLLLLLLLLLLPPPPPPPP." << D("2024-11-20") << "08:00" << D("2024-12-03") << 0 << 12
            << D("2024-11-21") << D("2024-12-02");
        // The earlier download's day is still taken; the later one is the last.
        QTest::newRow("downloads on both sides of midnight")
            << Span("2024-12-03", "2024-12-08")
            << Log({ "2024-12-09T23:59:30+01:00", "2024-12-10T00:00:30+01:00" }) << today << D("2024-12-01")
            << ".GRRRRRRPP." << today << "00:00" << D("2024-12-11") << 8 << 0 << QDate() << QDate();
        // Downloaded on 15 December, then the clock set back to the 10th: the download counts as today's;
        // the records the pedometer dated ahead stay recorded.
        QTest::newRow("clock set back")
            << Span("2024-12-08", "2024-12-15") << Log({ "2024-12-15T10:00:00+01:00" }) << today
            << D("2024-12-06") << "..RRRRRRRR.." << today << "" << D("2024-12-11") << 8 << 0 << QDate()
            << QDate();
        QTest::newRow("clock set back, then a download")
            << Span("2024-12-03", "2024-12-15")
            << Log({ "2024-12-15T10:00:00+01:00", "2024-12-10T07:30:00+01:00" }) << today << D("2024-12-06")
            << "RRRRRRRRRR.." << today << "07:30" << D("2024-12-11") << 8 << 0 << QDate() << QDate();
        QTest::newRow("year end")
            << Span("2024-12-10", "2024-12-24") << Log({ "2024-12-24T18:00:00+01:00" }) << D("2025-01-03")
            << D("2024-12-23") << "RRLLPPPPPPPP." << D("2024-12-24") << "18:00" << D("2024-12-27") << 0 << 2
            << D("2024-12-25") << D("2024-12-26");
        QTest::newRow("leap day")
            << Span("2024-02-20", "2024-02-27") << Log({ "2024-02-27T18:00:00+01:00" }) << D("2024-03-07")
            << D("2024-02-26") << "RRLPPPPPPPP" << D("2024-02-27") << "18:00" << D("2024-02-29") << 0 << 1
            << D("2024-02-28") << D("2024-02-28");
    }
    void statusesAndOutlook()
    {
        QFETCH(DayRecordList, records);
        QFETCH(std::vector<DownloadLogEntry>, log);
        QFETCH(QDate, today);
        QFETCH(QDate, from);
        QFETCH(QString, statuses);

        const DayStatusIndex index(records, log, today);
        QCOMPARE(StatusText(index, from, int(statuses.size())), statuses);
        QCOMPARE(StatusOfDay(records, log, today, from), index.StatusOf(from));

        const SyncOutlook o = ComputeSyncOutlook(records, log, today);
        QFETCH(QDate, lastDownload);
        QFETCH(QString, lastTime);
        QFETCH(QDate, atRisk);
        QFETCH(int, daysLeft);
        QFETCH(int, lostDays);
        QFETCH(QDate, firstLost);
        QFETCH(QDate, lastLost);
        QCOMPARE(o.Downloaded, lastDownload.isValid());
        QCOMPARE(o.LastDownloadDate, lastDownload);
        QCOMPARE(o.LastDownload ? o.LastDownload->time().toString(QStringLiteral("HH:mm")) : QString(), lastTime);
        QCOMPARE(o.FirstDayAtRisk, atRisk);
        QCOMPARE(o.SaveBy, atRisk.isValid() ? atRisk.addDays(7) : QDate());
        QCOMPARE(o.DaysLeft, daysLeft);
        QCOMPARE(o.LostDays, lostDays);
        QCOMPARE(o.FirstLost, firstLost);
        QCOMPARE(o.LastLost, lastLost);
        // The lost days counted in the span are exactly the days shown lost there.
        if (lostDays > 0) {
            const int span = int(firstLost.daysTo(lastLost)) + 1;
            QCOMPARE(StatusText(index, firstLost, span).count(QLatin1Char('L')), lostDays);
        }
    }

    // The date of a download is the local date of its moment as written, not the UTC date and not the
    // date in the zone the program runs in now. Run in UTC, Europe/Berlin and America/New_York.
    void downloadDateIsItsLocalDate_data()
    {
        QTest::addColumn<QString>("when");
        QTest::addColumn<QDate>("date");
        QTest::newRow("Berlin, the night the clocks go forward")
            << "2024-03-31T00:30:00+01:00" << D("2024-03-31");
        QTest::newRow("Berlin, after the change") << "2024-03-31T03:10:00+02:00" << D("2024-03-31");
        QTest::newRow("Berlin, the night the clocks go back") << "2024-10-27T02:30:00+01:00" << D("2024-10-27");
        QTest::newRow("New York, late on the day the clocks go back")
            << "2024-11-03T23:30:00-05:00" << D("2024-11-03");
        QTest::newRow("New York, just after midnight in spring") << "2024-03-10T00:05:00-05:00" << D("2024-03-10");
    }
    void downloadDateIsItsLocalDate()
    {
        QFETCH(QString, when);
        QFETCH(QDate, date);
        const std::vector<DownloadLogEntry> log = Log({ qPrintable(when) });
        const SyncOutlook o = ComputeSyncOutlook({}, log, date.addDays(1));
        QCOMPARE(o.LastDownloadDate, date);
        QCOMPARE(o.FirstDayAtRisk, date.addDays(1));
        QCOMPARE(o.DaysLeft, 7);
    }

    // The days around a change of the clocks, in the zone the test runs in: a download made in local time
    // on each of them takes exactly its own local day and the seven before.
    void localDownloadsAroundClockChanges_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QTime>("time");
        for (const char* iso : { "2024-03-10", "2024-03-11", "2024-03-31", "2024-04-01", "2024-10-27",
                                 "2024-10-28", "2024-11-03", "2024-11-04" }) {
            for (const QTime& t : { QTime(0, 15), QTime(1, 30), QTime(12, 0), QTime(23, 45) })
                QTest::addRow("%s %s", iso, qPrintable(t.toString(QStringLiteral("HH:mm")))) << D(iso) << t;
        }
    }
    void localDownloadsAroundClockChanges()
    {
        QFETCH(QDate, day);
        QFETCH(QTime, time);
        DownloadLogEntry e;
        e.When = QDateTime(day, time);
        QVERIFY(e.When.isValid());
        // Written and read back as the log keeps it.
        const std::vector<DownloadLogEntry> log = DownloadLogFromBytes(DownloadLogLine(e) + "\r\n");
        QCOMPARE(log.size(), size_t(1));
        QCOMPARE(log[0].When.date(), day);
        const DayStatusIndex index({}, log, day.addDays(9));
        QCOMPARE(StatusText(index, day.addDays(-8), 11), QStringLiteral(".GGGGGGGGLP"));
    }

    void invalidRecordKeysAndDuplicatesAreHarmless()
    {
        DayRecordList records = Span("2024-12-05", "2024-12-10");
        records.push_back(Day(20241399, 5));
        records.push_back(Day(0, 5));
        records.push_back(Day(20241207, 9));
        records.insert(records.begin(), Day(20241201, 1));
        const DayStatusIndex index(records, {}, D("2024-12-10"));
        QCOMPARE(StatusText(index, D("2024-11-30"), 12), QStringLiteral(".RLPPRRRRRR."));
        QCOMPARE(index.LostDaysIn(D("2024-01-01"), D("2024-12-31")), 1);
        QCOMPARE(DayStatusIndex().StatusOf(D("2024-12-10")), DayStatus::None);
    }

    // LostDaysIn counts what StatusOf says, whatever the span.
    void lostDaysInAgreesWithStatuses()
    {
        const DayRecordList records = Span("2024-01-01", "2024-01-10", Span("2024-02-01", "2024-02-03"));
        const auto log = Log({ "2024-01-20T08:00:00Z", "2024-03-01T08:00:00Z" });
        const DayStatusIndex index(records, log, D("2024-03-20"));
        for (const auto& [a, b] : { std::pair { "2023-12-01", "2024-04-01" }, { "2024-01-05", "2024-01-15" },
                                    { "2024-01-21", "2024-02-05" }, { "2024-03-10", "2024-03-12" },
                                    { "2024-02-10", "2024-02-01" } }) {
            const QDate first = D(a), last = D(b);
            const int n = first <= last ? int(first.daysTo(last)) + 1 : 0;
            QCOMPARE(index.LostDaysIn(first, last), int(StatusText(index, first, n).count(QLatin1Char('L'))));
        }
    }

    // The cached outlook follows every change of the files and of the day.
    void cachedOutlookFollowsTheFiles()
    {
        TempDataDir dir;
        const QString bin = dir.filePath(QStringLiteral("Ann.bin"));
        const QString log = dir.filePath(QStringLiteral("Ann.downloads"));
        DayRecordList records = Span("2024-11-27", "2024-12-04");
        QVERIFY(dir.write(QStringLiteral("Ann.bin"), DayRecordsToBytes(records)));
        SyncOutlookCache cache;
        QCOMPARE(cache.Outlook(bin, log, records, D("2024-12-10")).LastDownloadDate, D("2024-12-04"));
        QVERIFY(!cache.Outlook(bin, log, records, D("2024-12-10")).LastDownload);
        QVERIFY(AppendDownloadLog(log, { QDateTime(D("2024-12-10"), QTime(9, 42)), {} }));
        QCOMPARE(cache.Outlook(bin, log, records, D("2024-12-10")).LastDownloadDate, D("2024-12-10"));
        QCOMPARE(cache.Outlook(bin, log, records, D("2024-12-11")).DaysLeft, 7);
        QVERIFY(QFile::remove(log));
        records = Span("2024-11-27", "2024-12-05");
        QVERIFY(dir.write(QStringLiteral("Ann.bin"), DayRecordsToBytes(records)));
        QCOMPARE(cache.Outlook(bin, log, records, D("2024-12-11")).LastDownloadDate, D("2024-12-05"));
    }

    // 20 years of days and a full log, every day asked: well under a millisecond.
    void twentyYearsAreQuick()
    {
        const QDate today = D("2024-12-10");
        const DayRecordList records = Span("2005-01-01", "2024-12-09");
        std::vector<DownloadLogEntry> log;
        for (int i = MaxDownloadLogLines; i > 0; --i) {
            DownloadLogEntry e;
            e.When = QDateTime(today.addDays(-i), QTime(8, 0), Qt::OffsetFromUTC, 3600);
            log.push_back(e);
        }
        QElapsedTimer timer;
        qint64 best = std::numeric_limits<qint64>::max();
        int recorded = 0;
        for (int run = 0; run < 5; ++run) {
            timer.start();
            const DayStatusIndex index(records, log, today);
            recorded = 0;
            for (QDate d = D("2005-01-01"); d <= today; d = d.addDays(1))
                recorded += index.StatusOf(d) == DayStatus::Recorded;
            best = std::min(best, timer.nsecsElapsed());
        }
        QCOMPARE(recorded, int(records.size()));
        QVERIFY2(best < 20'000'000, qPrintable(QString::number(best) + " ns"));
    }
};

QTEST_GUILESS_MAIN(DayStatusTest)
#include "test_day_status.moc"
