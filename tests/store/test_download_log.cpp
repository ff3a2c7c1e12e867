#include "store/download_log.h"

#include "platform/write_stop.h"
#include "tests/support/temp_data_dir.h"

#include <QTest>

namespace {

DownloadLogEntry Entry(const char* when, uint8_t fill)
{
    DownloadLogEntry e;
    e.When = QDateTime::fromString(QString::fromLatin1(when), Qt::ISODate);
    for (size_t i = 0; i < e.Image.size(); ++i)
        e.Image[i] = uint8_t(fill + i);
    return e;
}

QByteArray Hex(uint8_t fill)
{
    return DownloadLogLine(Entry("2024-12-04T09:42:17+01:00", fill)).mid(26);
}

} // namespace

class DownloadLogTest : public QObject {
    Q_OBJECT

private slots:
    void pathBesideTheActivityFile()
    {
        QCOMPARE(DownloadLogPath(QStringLiteral("/data/"), QStringLiteral("Anna")),
                 QStringLiteral("/data/Anna.downloads"));
    }

    void appendsLinesThatReadBack()
    {
        TempDataDir dir;
        const QString path = dir.filePath(QStringLiteral("Anna.downloads"));
        const DownloadLogEntry a = Entry("2024-12-04T09:42:17+01:00", 0xF2);
        const DownloadLogEntry b = Entry("2024-12-04T23:59:59-05:00", 0);
        const DownloadLogEntry c = Entry("2024-12-05T00:00:01Z", 7);
        for (const DownloadLogEntry& e : { a, b, c })
            QVERIFY(AppendDownloadLog(path, e));
        const QByteArray bytes = dir.read(QStringLiteral("Anna.downloads"));
        QVERIFY(bytes.startsWith("2024-12-04T09:42:17+01:00 f2f3f4f5"));
        QCOMPARE(bytes.count("\r\n"), 3);
        QCOMPARE(bytes.indexOf("\r\n"), 26 + 200);
        const std::vector<DownloadLogEntry> back = LoadDownloadLog(path);
        QCOMPARE(back.size(), size_t(3));
        QVERIFY(back[0] == a);
        QVERIFY(back[1] == b);
        QVERIFY(back[2] == c);
        // The local date of the download, not the date in UTC.
        QCOMPARE(back[1].When.date(), QDate(2024, 12, 4));
    }

    void missingOrUnreadableLogIsEmpty()
    {
        TempDataDir dir;
        QVERIFY(LoadDownloadLog(dir.filePath(QStringLiteral("none.downloads"))).empty());
        QVERIFY(LoadDownloadLog(dir.path()).empty());
        QVERIFY(dir.write(QStringLiteral("empty.downloads"), {}));
        QVERIFY(LoadDownloadLog(dir.filePath(QStringLiteral("empty.downloads"))).empty());
    }

    // A damaged line between two good ones is skipped; the good ones read, LF endings too.
    void damagedLinesAreSkipped_data()
    {
        QTest::addColumn<QByteArray>("line");
        const QByteArray hex = Hex(1);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("only a date") << QByteArray("2024-12-04T09:42:17+01:00");
        QTest::newRow("no offset") << "2024-12-04T09:42:17 " + hex;
        QTest::newRow("fraction of a second") << "2024-12-04T09:42:17.5+01:00 " + hex;
        QTest::newRow("not a day") << "2024-02-30T09:42:17+01:00 " + hex;
        QTest::newRow("hour 25") << "2024-12-04T25:42:17+01:00 " + hex;
        QTest::newRow("offset too large") << "2024-12-04T09:42:17+99:00 " + hex;
        QTest::newRow("hex one digit short") << "2024-12-04T09:42:17+01:00 " + hex.left(199);
        QTest::newRow("hex one byte long") << "2024-12-04T09:42:17+01:00 " + hex + "00";
        QTest::newRow("not hex") << "2024-12-04T09:42:17+01:00 " + hex.left(198) + "zz";
        QTest::newRow("two spaces") << "2024-12-04T09:42:17+01:00  " + hex.left(199);
        QTest::newRow("a NUL") << "2024-12-04T09:42:17+01:00 " + hex.left(199) + QByteArray(1, '\0');
        QTest::newRow("very long") << QByteArray(100000, 'a');
        QTest::newRow("binary") << QByteArray::fromHex("fffe00d8ff");
    }
    void damagedLinesAreSkipped()
    {
        QFETCH(QByteArray, line);
        const DownloadLogEntry a = Entry("2024-12-01T08:00:00+01:00", 3);
        const DownloadLogEntry b = Entry("2024-12-02T08:00:00+01:00", 4);
        TempDataDir dir;
        QVERIFY(dir.write(QStringLiteral("x.downloads"),
                          DownloadLogLine(a) + "\r\n" + line + "\r\n" + DownloadLogLine(b) + "\n"));
        const std::vector<DownloadLogEntry> back = LoadDownloadLog(dir.filePath(QStringLiteral("x.downloads")));
        QCOMPARE(back.size(), size_t(2));
        QVERIFY(back[0] == a);
        QVERIFY(back[1] == b);
        // The next append keeps the good lines only.
        QVERIFY(AppendDownloadLog(dir.filePath(QStringLiteral("x.downloads")), a));
        QCOMPARE(dir.read(QStringLiteral("x.downloads")),
                 DownloadLogLine(a) + "\r\n" + DownloadLogLine(b) + "\r\n" + DownloadLogLine(a) + "\r\n");
    }

    void keepsTheNewestLines()
    {
        TempDataDir dir;
        const QString path = dir.filePath(QStringLiteral("Anna.downloads"));
        QByteArray many;
        const QDateTime start(QDate(2020, 1, 1), QTime(8, 0), Qt::OffsetFromUTC, 3600);
        for (int i = 0; i < MaxDownloadLogLines + 10; ++i) {
            DownloadLogEntry e;
            e.When = start.addDays(i);
            many += DownloadLogLine(e) + "\r\n";
        }
        QVERIFY(dir.write(QStringLiteral("Anna.downloads"), many));
        DownloadLogEntry newest = Entry("2024-12-04T09:42:17+01:00", 9);
        QVERIFY(AppendDownloadLog(path, newest));
        const std::vector<DownloadLogEntry> back = LoadDownloadLog(path);
        QCOMPARE(int(back.size()), MaxDownloadLogLines);
        QCOMPARE(back.front().When, start.addDays(11));
        QVERIFY(back.back() == newest);
    }

    // A file far beyond any real log is read from its end; the cut first line is not taken.
    void hugeLogReadsItsTail()
    {
        TempDataDir dir;
        const DownloadLogEntry e = Entry("2024-12-04T09:42:17+01:00", 5);
        const QByteArray line = DownloadLogLine(e) + "\r\n";
        QByteArray bytes(MaxDownloadLogBytes * 3, 'x');
        bytes += "\n" + line;
        bytes += line;
        QVERIFY(dir.write(QStringLiteral("big.downloads"), bytes));
        QCOMPARE(LoadDownloadLog(dir.filePath(QStringLiteral("big.downloads"))).size(), size_t(2));
        // Exactly at the limit with a line starting at the cut: nothing of it is lost.
        QByteArray exact;
        while (exact.size() + line.size() <= MaxDownloadLogBytes)
            exact += line;
        exact = QByteArray(1000, 'y') + "\n" + exact;
        QVERIFY(dir.write(QStringLiteral("edge.downloads"), exact));
        QCOMPARE(qsizetype(LoadDownloadLog(dir.filePath(QStringLiteral("edge.downloads"))).size()),
                 MaxDownloadLogBytes / line.size());
    }

    void failedAppendLeavesTheLog()
    {
        TempDataDir dir;
        const QString path = dir.filePath(QStringLiteral("Anna.downloads"));
        QVERIFY(AppendDownloadLog(path, Entry("2024-12-01T08:00:00+01:00", 1)));
        const QByteArray before = dir.read(QStringLiteral("Anna.downloads"));
        FailFileWriteForTests(1);
        QString error;
        QVERIFY(!AppendDownloadLog(path, Entry("2024-12-02T08:00:00+01:00", 2), &error));
        FailFileWriteForTests(0);
        QVERIFY(!error.isEmpty());
        QCOMPARE(dir.read(QStringLiteral("Anna.downloads")), before);
        QVERIFY(!AppendDownloadLog(path, DownloadLogEntry {}, &error));
        QCOMPARE(dir.read(QStringLiteral("Anna.downloads")), before);
    }
};

QTEST_GUILESS_MAIN(DownloadLogTest)
#include "test_download_log.moc"
