#include "emulator/pedometer_history.h"
#include "emulator/pedometer_model.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

Report reportFromHex(const QString& hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    Report r{};
    std::copy(bytes.begin(), bytes.end(), r.begin());
    return r;
}

QByteArray hex(const Report& r)
{
    return QByteArray(reinterpret_cast<const char*>(r.data()), ReportSize).toHex(' ');
}

// The single answer the model gives, as hex; empty when it gives none.
QByteArray answerTo(PedometerModel& model, const QString& output)
{
    const PedometerReply reply = model.handleOutputReport(reportFromHex(output));
    if (reply.messages.empty())
        return {};
    return reply.messages.back().toHex(' ');
}

// Writes six bytes at an address the way the program does: set address, then data write.
void writeSix(PedometerModel& model, int address, const uint8_t* d)
{
    Report set{};
    set[1] = uint8_t(address);
    set[7] = 0xC9;
    set[8] = 0x02;
    QCOMPARE(answerTo(model, QString::fromLatin1(hex(set).replace(' ', ""))), QByteArray("00 00 00 00 00 00 00 c9 12"));
    const Report write = {0, d[5], d[4], d[3], d[2], d[1], d[0], 0x01, 0x03};
    QCOMPARE(answerTo(model, QString::fromLatin1(hex(write).replace(' ', ""))), QByteArray("00 00 00 00 00 00 00 c9 12"));
}

void writeProfileBlock(PedometerModel& model, const std::array<uint8_t, 9>& block)
{
    writeSix(model, 1, block.data());
    writeSix(model, 4, block.data() + 3);
}

// The day block example used throughout: 12345 steps, 987.6 kcal, 12.50 km, 23 minutes.
const DayBlockValues ExampleDay = {12345, 9876, 1250, 23};

} // namespace

class TestPedometerModel : public QObject {
    Q_OBJECT

private slots:
    void answersEachCommand_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QByteArray>("answer");
        // Memory of a fresh model with the example day as today: 0 = F4, 1-9 = profile block of
        // 70 cm, 65 kg, 10000 steps at 12:00 metric, 10-19 = the day block.
        QTest::newRow("handshake") << "00000000000000c802" << QByteArray("00 00 00 00 00 00 f4 c8 12");
        QTest::newRow("status query") << "000000000000000002" << QByteArray("00 00 00 00 00 00 f4 00 12");
        QTest::newRow("set address") << "000100000000 00c902" << QByteArray("00 00 00 00 00 00 00 c9 12");
        QTest::newRow("read address 0, sequence 1")
            << "000000000000000102" << QByteArray("00 00 06 50 70 05 f4 01 12");
        QTest::newRow("read address 6, sequence 2")
            << "000600000000000202" << QByteArray("00 23 45 01 20 01 00 02 12");
        QTest::newRow("read address 12, sequence 3")
            << "000c00000000000302" << QByteArray("00 30 12 50 09 87 61 03 12");
        QTest::newRow("read address 96 reads zeros past the end")
            << "006000000000001102" << QByteArray("00 00 00 00 00 00 00 11 12");
        QTest::newRow("unknown command") << "000000000000000004" << QByteArray();
        QTest::newRow("handshake with the write flag") << "00000000000000c803" << QByteArray();
    }

    void answersEachCommand()
    {
        QFETCH(QString, output);
        QFETCH(QByteArray, answer);
        PedometerModel model;
        PedometerHistory h;
        h.days[0] = ExampleDay;
        model.setHistory(h);
        QCOMPARE(answerTo(model, output.remove(' ')), answer);
    }

    void dataWriteGoesToTheLastSetAddressAndNeverPastTheMemory()
    {
        PedometerModel model;
        const uint8_t d[6] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
        writeSix(model, 40, d);
        RawMemory m = model.rawMemory();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(m.data() + 40), 6).toHex(), QByteArray("112233445566"));

        writeSix(model, 97, d);
        m = model.rawMemory();
        QCOMPARE(m[97], uint8_t(0x11));
        QCOMPARE(m[99], uint8_t(0x33));
        writeSix(model, 0, d);
        m = model.rawMemory();
        QCOMPARE(m[0], StatusReadyAlt); // the status byte is the device's own
        QCOMPARE(m[1], uint8_t(0x22));
    }

    void profileBlockWrittenInTwoStepsReadsBack_data()
    {
        QTest::addColumn<bool>("metric");
        QTest::addColumn<int>("steplength");
        QTest::addColumn<int>("weight");
        QTest::addColumn<int>("target");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<QByteArray>("memory1to9");
        QTest::newRow("metric 75 cm 68 kg 10000 at 14:07") << true << 75 << 68 << 10000 << 14 << 7
                                                          << QByteArray("057580060000714001");
        QTest::newRow("imperial 62 in 150 lb 99999 at 23:59") << false << 62 << 150 << 99999 << 23 << 59
                                                             << QByteArray("046200159999993502");
    }

    void profileBlockWrittenInTwoStepsReadsBack()
    {
        QFETCH(bool, metric);
        QFETCH(int, steplength);
        QFETCH(int, weight);
        QFETCH(int, target);
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(QByteArray, memory1to9);
        PedometerModel model;
        model.setProfile(!metric, 50, 50, 5000, 1, 1); // something else before
        writeProfileBlock(model, BuildProfileBlock(metric, uint16_t(steplength), uint16_t(weight),
                                                   uint32_t(target), hour, minute));
        const RawMemory m = model.rawMemory();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(m.data() + 1), 9).toHex(), memory1to9);
        const ProfileValues p = model.profile();
        QCOMPARE(p.Metric, metric);
        QCOMPARE(int(p.Steplength), steplength);
        QCOMPARE(int(p.Weight), weight);
        QCOMPARE(int(p.TargetSteps), target);
    }

    void dayBlocksAndStepTotalAreStoredAsTheDeviceHoldsThem()
    {
        PedometerModel model;
        PedometerHistory h;
        h.days[3] = ExampleDay;
        h.stepTotal = 54321;
        model.setHistory(h);
        const RawMemory m = model.rawMemory();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(m.data() + 50), 10).toHex(' '),
                 QByteArray("45 23 61 87 09 50 12 30 02 00"));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(m.data() + 20), 3).toHex(), QByteArray("214305"));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(m.data() + 10), 10).toHex(), QByteArray(20, '0'));
        const PedometerHistory back = model.history();
        QVERIFY(back.days[3] == ExampleDay);
        QCOMPARE(back.stepTotal, 54321u);
    }

    void changingTheUnitSystemClearsTheDays()
    {
        PedometerModel model; // metric
        PedometerHistory h;
        for (auto& d : h.days)
            d = ExampleDay;
        h.stepTotal = 99999;
        model.setHistory(h);

        writeProfileBlock(model, BuildProfileBlock(true, 80, 70, 8000, 9, 30));
        QVERIFY2(model.history().days[7] == ExampleDay, "same units keep the days");

        writeProfileBlock(model, BuildProfileBlock(false, 30, 150, 8000, 9, 30));
        const PedometerHistory cleared = model.history();
        for (const auto& d : cleared.days)
            QVERIFY(d == DayBlockValues());
        QCOMPARE(cleared.stepTotal, 0u);
        QCOMPARE(model.profile().Metric, false);
        QCOMPARE(int(model.profile().Steplength), 30);
    }

    void busyHandshakesReportF3UntilTheyRunOut()
    {
        PedometerModel model;
        PedometerFaults f;
        f.busyHandshakes = 2;
        model.setFaults(f);
        const QString handshake = "00000000000000c802", readStatusByte = "000000000000000102";
        QCOMPARE(answerTo(model, handshake), QByteArray("00 00 00 00 00 00 f3 c8 12"));
        // The memory read that follows a busy handshake sees the busy status too.
        QCOMPARE(answerTo(model, readStatusByte).mid(18, 2), QByteArray("f3"));
        QCOMPARE(answerTo(model, "000000000000000002"), QByteArray("00 00 00 00 00 00 f3 00 12"));
        QCOMPARE(answerTo(model, handshake), QByteArray("00 00 00 00 00 00 f3 c8 12"));
        QCOMPARE(answerTo(model, handshake), QByteArray("00 00 00 00 00 00 f4 c8 12"));
        QCOMPARE(answerTo(model, readStatusByte).mid(18, 2), QByteArray("f4"));

        f.busyHandshakes = PedometerFaults::Forever;
        model.setFaults(f);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(answerTo(model, handshake), QByteArray("00 00 00 00 00 00 f3 c8 12"));
    }

    void dropLeavesTheChosenReportUnanswered()
    {
        PedometerModel model;
        PedometerFaults f;
        f.dropAnswerTo = 3;
        model.setFaults(f);
        QStringList answered;
        for (int s = 1; s <= 5; ++s)
            answered << QString::fromLatin1(answerTo(model, QStringLiteral("00000000000000%1").arg(s, 2, 16, QLatin1Char('0')) + "02"));
        QCOMPARE(answered.count(QString()), 1);
        QVERIFY(answered[2].isEmpty());
        QCOMPARE(model.outputReportCount(), 5);

        f = {};
        f.dropAll = true;
        model.setFaults(f);
        QVERIFY(answerTo(model, "00000000000000c802").isEmpty());
        QVERIFY(answerTo(model, "000000000000000002").isEmpty());
    }

    void noiseComesBeforeTheAnswerAndNeverPassesForOne()
    {
        PedometerModel model;
        PedometerFaults f;
        f.garbage = true;
        f.wrongLength = true;
        model.setFaults(f);
        QSet<int> lengths;
        for (int s = 1; s <= 17; ++s) {
            Report read{};
            read[1] = uint8_t(6 * (s - 1));
            read[7] = uint8_t(s);
            read[8] = 0x02;
            const PedometerReply reply = model.handleOutputReport(read);
            QCOMPARE(int(reply.messages.size()), 3);
            const QByteArray garbage = reply.messages[0];
            QCOMPARE(garbage.size(), ReportSize);
            QVERIFY(uchar(garbage[8]) != 0x12);
            QVERIFY(reply.messages[1].size() != ReportSize);
            lengths << int(reply.messages[1].size());
            QCOMPARE(uchar(reply.messages[2][7]), uchar(s));
            QCOMPARE(uchar(reply.messages[2][8]), uchar(0x12));
        }
        QVERIFY(lengths.size() > 1);
    }

    void vanishesAfterTheChosenReportWithoutAnsweringIt()
    {
        PedometerModel model;
        PedometerFaults f;
        f.vanishAfter = 2;
        model.setFaults(f);
        const Report status = reportFromHex("000000000000000002");
        QVERIFY(!model.handleOutputReport(status).vanish);
        const PedometerReply second = model.handleOutputReport(status);
        QVERIFY(second.vanish);
        QVERIFY(second.messages.empty());
        QVERIFY(!model.handleOutputReport(status).vanish);
    }

    void generatedHistoryIsRepeatableAndConsistent_data()
    {
        QTest::addColumn<bool>("metric");
        QTest::addColumn<int>("steplength");
        QTest::addColumn<int>("weight");
        QTest::newRow("metric") << true << 75 << 68;
        QTest::newRow("imperial") << false << 30 << 150;
    }

    void generatedHistoryIsRepeatableAndConsistent()
    {
        QFETCH(bool, metric);
        QFETCH(int, steplength);
        QFETCH(int, weight);
        const PedometerHistory a = GenerateHistory(42, metric, uint16_t(steplength), uint16_t(weight));
        const PedometerHistory b = GenerateHistory(42, metric, uint16_t(steplength), uint16_t(weight));
        const PedometerHistory c = GenerateHistory(43, metric, uint16_t(steplength), uint16_t(weight));
        bool differs = false;
        uint32_t sum = 0;
        for (int i = 0; i < DaysInMemory; ++i) {
            const DayBlockValues& d = a.days[size_t(i)];
            QVERIFY(d == b.days[size_t(i)]);
            differs = differs || !(d == c.days[size_t(i)]);
            QVERIFY(d.Steps <= 25000);
            sum += d.Steps;
            // Distance in hundredths: steps times step length, within rounding.
            const double expected = metric ? d.Steps * steplength / 1000.0 : d.Steps * steplength * 100.0 / 63360;
            QVERIFY2(qAbs(d.Distance - expected) <= 1.0, qPrintable(QString::number(i)));
            if (d.Steps > 0) {
                QVERIFY(d.Calories > 0);
                QVERIFY(d.WalkingTime >= d.Steps / 120 && d.WalkingTime <= d.Steps / 90 + 1);
            } else {
                QVERIFY(d.Calories == 0 && d.WalkingTime == 0);
            }
        }
        QVERIFY(differs);
        QCOMPARE(a.stepTotal, sum % 100000);
    }

    void parsesHistoryText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error"); // empty when the text is valid
        // What a valid text gives: today's steps and distance, the steps three days before, the total.
        QTest::addColumn<uint>("todaySteps");
        QTest::addColumn<uint>("todayDistance");
        QTest::addColumn<uint>("threeBeforeSteps");
        QTest::addColumn<uint>("total");
        QTest::newRow("days, comments, blank lines")
            << "# a week\n\n0 12345 1250 9876 23\n  3 100 7 40 1\r\n" << QString() << 12345u << 1250u << 100u << 12445u;
        QTest::newRow("total given") << "total 777\n0 12345 1250 9876 23" << QString() << 12345u << 1250u << 0u << 777u;
        QTest::newRow("empty text") << "" << QString() << 0u << 0u << 0u << 0u;
        const auto invalid = [](const char* name, const QString& text, const QString& error) {
            QTest::newRow(name) << text << error << 0u << 0u << 0u << 0u;
        };
        invalid("day beyond the seventh", "8 1 1 1 1", "line 1: \"8\" is not a number from 0 to 7");
        invalid("negative figure", "\n1 -5 1 1 1", "line 2: \"-5\" is not a number from 0 to 99999");
        invalid("figure too big", "1 100000 1 1 1", "line 1: \"100000\" is not a number from 0 to 99999");
        invalid("not a number", "1 ten 1 1 1", "line 1: \"ten\" is not a number from 0 to 99999");
        invalid("too few fields", "1 2 3", "line 1: expected \"days_before steps distance calories minutes\"");
        invalid("day twice", "1 2 3 4 5\n1 2 3 4 5", "line 2: day 1 is given twice");
        invalid("bad total", "total", "line 1: expected \"total N\"");
    }

    void parsesHistoryText()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        QFETCH(uint, todaySteps);
        QFETCH(uint, todayDistance);
        QFETCH(uint, threeBeforeSteps);
        QFETCH(uint, total);
        const HistoryResult r = ParseHistory(text);
        QCOMPARE(r.ok, error.isEmpty());
        QCOMPARE(r.error, error);
        if (!r.ok)
            return;
        QCOMPARE(r.history.days[0].Steps, todaySteps);
        QCOMPARE(r.history.days[0].Distance, todayDistance);
        QCOMPARE(r.history.days[3].Steps, threeBeforeSteps);
        QVERIFY(r.history.days[1] == DayBlockValues());
        QCOMPARE(r.history.stepTotal, total);
    }

    void loadsHistoryFileAndNamesItInErrors()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("week.txt");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("7 9000 6300 3800 90\n");
        f.close();
        const HistoryResult ok = LoadHistoryFile(path);
        QVERIFY(ok.ok);
        QCOMPARE(ok.history.days[7].Steps, 9000u);

        const HistoryResult missing = LoadHistoryFile(dir.filePath("none.txt"));
        QVERIFY(!missing.ok);
        QVERIFY(missing.error.contains("none.txt"));
    }
};

QTEST_GUILESS_MAIN(TestPedometerModel)
#include "test_pedometer_model.moc"
