// Writes the seed corpora of the fuzz targets from the real formats: the built-in Step.ini and
// translations of it, the demo data directory's user list and activity file, the emulated pedometer's
// memory and the reports it sends during recorded exchanges. Run it when a format changes:
//     build-fuzz/bin/fuzz_seed_corpus fuzz/corpus

#include "app/demo_data.h"
#include "catalog/catalog_file.h"
#include "device/device_link.h"
#include "emulator/emulated_hid_bus.h"
#include "export/csv_export.h"
#include "emulator/pedometer_history.h"
#include "emulator/pedometer_model.h"
#include "profiles/pending_work.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "store/data_archive.h"
#include "store/date_key.h"
#include "store/download_log.h"
#include "tests/support/scripted_prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

QString g_root;
bool g_ok = true;

void Write(const char* target, const char* name, const QByteArray& bytes)
{
    const QString dir = g_root + QLatin1Char('/') + QLatin1String(target);
    QDir().mkpath(dir);
    QFile file(dir + QLatin1Char('/') + QLatin1String(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        g_ok = false;
    }
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Encoded(const QString& text, QStringConverter::Encoding encoding, bool bom)
{
    QStringEncoder encoder(encoding, bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return encoder.encode(text);
}

// Step.ini as shipped, as a translator might save it, and damaged.
void CatalogSeeds()
{
    const QByteArray shipped = DefaultCatalogBytes();
    Write("catalog", "default.ini", shipped);
    Write("catalog", "default-lf.ini", QByteArray(shipped).replace("\r\n", "\n"));
    Write("catalog", "default-utf16le.ini", Encoded(QString::fromLatin1(shipped), QStringConverter::Utf16LE, true));

    QString german = QString::fromLatin1(shipped);
    german.replace(QStringLiteral("Today,Record,User Setting,Send"), QStringLiteral("Heute,Verlauf,Benutzer,Senden"));
    german.replace(QStringLiteral("Jan,Feb,Mar,"), QStringLiteral("Jan,Feb,M\u00e4r,"));
    german.replace(QStringLiteral("Step,Distance,Calorie,"), QStringLiteral("Schritte,Strecke,Kalorien,"));
    german.replace(QStringLiteral("Synchronization OK!"), QStringLiteral("Abgleich erfolgreich \u2013 gr\u00fc\u00dfe!"));
    Write("catalog", "translated-utf8-bom.ini", Encoded(german, QStringConverter::Utf8, true));
    QStringEncoder cp1252("windows-1252");
    Write("catalog", "translated-cp1252.ini", cp1252.encode(german));
    Write("catalog", "translated-utf16be.ini", Encoded(german, QStringConverter::Utf16BE, true));

    Write("catalog", "info-count-beyond.ini", QByteArray(shipped).replace("[Info]\r\n25\r\n", "[Info]\r\n30\r\n"));
    Write("catalog", "header-on-last-line.ini", shipped + "[SoftName]");
    Write("catalog", "lower-case-headers.ini", shipped.toLower());
}

TClient Profile(const char* name, int gender, int age, int height, int weight, int steplength, int target, bool metric)
{
    TClient c;
    c.Name = QString::fromUtf8(name);
    c.Gender = uint8_t(gender);
    c.Age = uint8_t(age);
    c.Height = uint16_t(height);
    c.Weight = uint16_t(weight);
    c.Steplength = uint16_t(steplength);
    c.TargetSteps = uint32_t(target);
    c.Metric = metric;
    c.TimeSync = 1;
    return c;
}

void UserListSeeds(const QString& demoDir)
{
    const QByteArray demo = ReadFile(demoDir + QString::fromLatin1(UserListFileName));
    Write("user_list", "demo.dat", demo);
    Write("user_list", "demo-utf16le.dat", Encoded(QString::fromLocal8Bit(demo), QStringConverter::Utf16LE, true));

    ClientList eight;
    const char* names[] = {"Anna", "Bob", "Chlo\u00e9", "Dmitri", "Eun-ji", "Farid", "G\u00fcnter", "Hana"};
    for (int i = 0; i < MaxClients; ++i)
        eight.push_back(Profile(names[i], 1 + i % 2, 20 + i, i % 3 ? 165 + i : 510 + i, 58 + i, 68 - i, 8000 + 500 * i, i % 3 != 0));
    Write("user_list", "eight.dat", UserListBytes(eight));

    Write("user_list", "empty.dat", UserListBytes({}));
    Write("user_list", "no-client-line.dat", "SoftName:Kinetrax\r\n");
    Write("user_list", "count-beyond.dat", "SoftName:Kinetrax\r\n[Client]\r\n5\r\nAnna,1,34,165,58,68,8000,1,1\r\n");
    Write("user_list", "odd-lines.dat",
          "[client]\nBob\n3\nBob\nAge,2,300,70000,176,29,4294967295,7,x\nTail,1,1,1,1,1,1,1,1,extra\n");
}

// The memory the emulated pedometer holds with plausible days from seed.
RawMemory Memory(uint32_t seed, bool metric)
{
    PedometerModel model;
    const uint16_t steplength = metric ? 70 : 28;
    const uint16_t weight = metric ? 65 : 143;
    model.setProfile(metric, steplength, weight, 10000, 12, 0);
    model.setHistory(GenerateHistory(seed, metric, steplength, weight));
    return model.rawMemory();
}

QByteArray MergeInput(const RawMemory& memory, uint8_t answers, uint8_t flags, const QDate& today, const QByteArray& file)
{
    QByteArray in(reinterpret_cast<const char*>(memory.data()), int(memory.size()));
    const int days = int(QDate(2000, 1, 1).daysTo(today));
    in.append(char(answers)).append(char(flags)).append(char(days & 0xFF)).append(char(days >> 8));
    return in + file;
}

void MergeSeeds(const QString& demoDir, const QDate& today)
{
    const QByteArray demo = ReadFile(ActivityFilePath(demoDir, QString::fromLatin1(DemoUserName)));
    const RawMemory memory = Memory(3, true);
    // Flags: 8 report success, 16 connected; 1 file missing, 2 a directory instead, 4 incomplete.
    Write("activity_merge", "demo-first-merge", MergeInput(memory, 0x00, 8 | 16, today, demo));

    // The pedometer's days already in the file, some with other figures: questions to answer.
    DayRecordList records = DayRecordsFromBytes(demo);
    for (int i = 0; i < DaysInMemory; ++i) {
        TBINFile r;
        r.Date = DateKey(today.addDays(-i));
        r.Steps = 1000u * uint32_t(i);
        r.TargetSteps = i % 2 ? 0 : 9000;
        records.push_back(r);
    }
    Write("activity_merge", "demo-overlap", MergeInput(memory, 0x5A, 8 | 16, today, DayRecordsToBytes(records)));
    Write("activity_merge", "demo-partial-record", MergeInput(memory, 0xFF, 0, today, demo + QByteArray(6, '\x07')));
    Write("activity_merge", "empty-file", MergeInput(Memory(5, false), 0, 8 | 16, today, QByteArray()));
    Write("activity_merge", "file-missing", MergeInput(memory, 0, 1, today, QByteArray()));
    Write("activity_merge", "directory-instead", MergeInput(memory, 0, 2, today, QByteArray()));
    Write("activity_merge", "download-incomplete", MergeInput(memory, 0, 4, today, demo));
    Write("activity_merge", "leap-day", MergeInput(memory, 0xFF, 8, QDate(2012, 3, 2), QByteArray()));
}

// The reports the emulated pedometer sends during an upload (when asked) and a download, one chunk per
// output report in the fuzz target's input format.
QByteArray RecordedExchanges(bool upload, const PedometerFaults& faults)
{
    auto model = std::make_shared<PedometerModel>();
    model->setHistory(GenerateHistory(7, true, 70, 65));
    model->setFaults(faults);
    EmulatedHidBus bus(model);
    QByteArray stream(1, char(upload ? 1 : 0));
    bus.setReplyFilter([&stream](const Report&, const std::vector<QByteArray>& messages) {
        stream.append(char(messages.size()));
        for (const QByteArray& m : messages)
            stream.append(char(m.size())).append(m);
        return messages;
    });
    ScriptedPrompts prompts;
    const TSoftInfo catalog = DefaultCatalog();
    DeviceLink link(bus, prompts, catalog);
    link.ConnectPedometer();
    if (upload && !link.SendProfileAndClock(true, 75, 68, 10000))
        g_ok = false;
    if (!link.DownloadDeviceData().Complete)
        g_ok = false;
    bus.unplug();
    return stream;
}

void DeviceSeeds()
{
    Write("device_reports", "recorded-download", RecordedExchanges(false, {}));
    Write("device_reports", "recorded-upload-download", RecordedExchanges(true, {}));
    PedometerFaults noisy;
    noisy.garbage = true;
    noisy.wrongLength = true;
    Write("device_reports", "recorded-garbage-wrong-length", RecordedExchanges(false, noisy));
    PedometerFaults busy;
    busy.busyHandshakes = 1;
    Write("device_reports", "recorded-busy-handshake", RecordedExchanges(false, busy));
}

QByteArray PeriodInput(int32_t offset, uint8_t flags, uint8_t recordIndex, const RawMemory& memory, const QByteArray& records)
{
    QByteArray in(reinterpret_cast<const char*>(&offset), 4); // little-endian machine
    in.append(char(flags)).append(char(recordIndex));
    for (int i = 20; i <= 22; ++i)
        in.append(char(DecodeBcd(memory[size_t(i)])));
    return in + records;
}

void PeriodSeeds()
{
    // The period target's today is 4 July 2010.
    QTemporaryDir dir;
    const QString demoDir = dir.path() + QLatin1Char('/');
    if (!WriteDemoData(demoDir, QDate(2010, 7, 4))) {
        g_ok = false;
        return;
    }
    const QByteArray demo = ReadFile(ActivityFilePath(demoDir, QString::fromLatin1(DemoUserName)));
    const RawMemory memory = Memory(3, true);
    // Flags: 1 metric, 2 records loaded, 4 empty catalog, 8 the date of a record.
    Write("period_today", "demo-today", PeriodInput(0, 1 | 2, 0, memory, demo));
    Write("period_today", "demo-two-weeks-back", PeriodInput(-14, 2, 0, memory, demo));
    Write("period_today", "demo-record-date", PeriodInput(3, 1 | 2 | 8, 17, memory, demo));
    Write("period_today", "not-loaded-empty-catalog", PeriodInput(0, 4, 0, memory, demo));

    // Around the turn of a year whose 1 January is a Saturday, duplicates and damaged dates included.
    DayRecordList records;
    for (int i = -10; i <= 10; ++i) {
        TBINFile r;
        r.Date = DateKey(QDate(2011, 1, 1).addDays(i));
        r.Steps = uint32_t(5000 + 37 * i);
        r.Distance = uint32_t(350 + i);
        r.Calories = uint32_t(1200 + i);
        r.TargetSteps = i % 3 ? 8000 : 0;
        records.push_back(r);
    }
    records.push_back(records[3]);
    TBINFile damaged;
    damaged.Date = 20110230;
    damaged.Steps = 99999;
    records.push_back(damaged);
    const QByteArray turn = DayRecordsToBytes(records);
    Write("period_today", "year-turn", PeriodInput(int32_t(QDate(2010, 7, 4).daysTo(QDate(2011, 1, 1))), 2, 0, memory, turn));
    Write("period_today", "leap-saturday-2000", PeriodInput(int32_t(QDate(2010, 7, 4).daysTo(QDate(2000, 2, 29))), 2, 0, memory, turn));

    // The last keys of the charted years and of all years, each alone in its year, so that each view's
    // bound at its edge decides whether the year is charted at all.
    const auto keys = [](std::initializer_list<uint32_t> dates) {
        DayRecordList list;
        for (uint32_t key : dates) {
            TBINFile r;
            r.Date = key;
            r.Steps = key % 9973u + 1;
            list.push_back(r);
        }
        return DayRecordsToBytes(list);
    };
    const auto offsetTo = [](const QDate& day) { return int32_t(QDate(2010, 7, 4).daysTo(day)); };
    Write("period_today", "last-day-of-year-9999",
          PeriodInput(offsetTo(QDate(9999, 12, 31)), 2, 0, memory, keys({20110201u, 99991231u, 100000000u})));
    Write("period_today", "last-key-of-year-9999",
          PeriodInput(offsetTo(QDate(9999, 12, 31)), 2, 0, memory, keys({20110201u, 99999999u, 100000000u})));
    Write("period_today", "last-day-with-a-key",
          PeriodInput(offsetTo(QDate(MaxDateKeyYear, 12, 31)), 2, 0, memory,
                      keys({20110201u, 4294961230u, 4294961231u, 4294967295u})));
}

} // namespace

// Download logs behind a header of today and a few records (see download_log_fuzzer.cpp).
QByteArray DownloadLogInput(int16_t today, std::initializer_list<int16_t> recordDays, const QByteArray& log)
{
    QByteArray in;
    in.append(char(uint16_t(today) & 0xFF)).append(char(uint16_t(today) >> 8)).append(char(recordDays.size()));
    for (int16_t d : recordDays)
        in.append(char(uint16_t(d) & 0xFF)).append(char(uint16_t(d) >> 8));
    return in + log;
}

void DownloadLogSeeds()
{
    QByteArray log;
    for (int i = 0; i < 4; ++i) {
        DownloadLogEntry e;
        e.When = QDateTime(QDate(2024, 12, 1 + 3 * i), QTime(8 + i, 30), Qt::OffsetFromUTC, 3600);
        for (size_t b = 0; b < e.Image.size(); ++b)
            e.Image[b] = uint8_t(b * 7 + i);
        e.Image[0] = StatusReady;
        log += DownloadLogLine(e) + "\r\n";
    }
    Write("download_log", "four-downloads", DownloadLogInput(0, {0, -1, -2, -3, -9, -10}, log));
    Write("download_log", "days-lost", DownloadLogInput(12, {-12, -13, -14}, log.left(log.indexOf('\n') + 1)));
    Write("download_log", "damaged-lines",
          DownloadLogInput(1, {}, "2024-12-04T09:42:17 00\r\n\r\n2024-02-30T09:42:17+01:00 ff\n" + log.mid(3)));
    Write("download_log", "offsets", DownloadLogInput(-3, {-20},
          "2024-12-04T23:59:59-05:00 " + QByteArray(200, '0') + "\n2024-12-05T00:00:01Z " + QByteArray(200, 'f')));
}

// Backups as kinetrax backup writes them: the demo data directory, and one with a pending note, an
// empty history and a non-ASCII name; the first also without its gzip layer and cut short.
void DataArchiveSeeds(const QString& demoDir)
{
    QTemporaryDir out;
    const QString archive = out.path() + QStringLiteral("/backup.tar.gz");
    if (!WriteDataBackup(demoDir, archive).Ok) {
        g_ok = false;
        return;
    }
    const QByteArray demo = ReadFile(archive);
    Write("data_archive", "demo.tar.gz", demo);
    Write("data_archive", "demo-cut.tar.gz", demo.left(demo.size() / 2));
    QProcess gunzip;
    gunzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), archive});
    if (gunzip.waitForFinished() && gunzip.exitCode() == 0)
        Write("data_archive", "demo.tar", gunzip.readAllStandardOutput());
    else
        g_ok = false;

    QTemporaryDir data;
    const QString dir = data.path() + QLatin1Char('/');
    const QString name = QStringLiteral("Zo\u00eb \u674e");
    ClientList clients{Profile("Zo\u00eb \u674e", 1, 30, 165, 58, 68, 8000, true)};
    QFile pending(dir + QLatin1String(PendingWorkFileName));
    QFile empty(ActivityFilePath(dir, name));
    if (!SaveUserList(dir + QLatin1String(UserListFileName), clients) || !pending.open(QIODevice::WriteOnly)
        || pending.write("delete Old\r\n") < 0 || !empty.open(QIODevice::WriteOnly)) {
        g_ok = false;
        return;
    }
    pending.close();
    empty.close();
    if (!WriteDataBackup(dir, archive).Ok)
        g_ok = false;
    Write("data_archive", "pending-empty-history.tar.gz", ReadFile(archive));
// The CSV of SEND and export from the demo history, in both units, and as a spreadsheet may save it.
void CsvImportSeeds(const QString& demoDir)
{
    DayRecordList records = DayRecordsFromBytes(ReadFile(ActivityFilePath(demoDir, QString::fromLatin1(DemoUserName))));
    std::stable_sort(records.begin(), records.end(), [](const TBINFile& a, const TBINFile& b) { return a.Date < b.Date; });
    if (records.size() > 20)
        records.resize(20);
    const TSoftInfo catalog = DefaultCatalog();
    const QByteArray km = CsvExportBytes(records, catalog, true);
    // Flags: 1 replace, 2 the user is metric.
    Write("csv_import", "demo-km-into-metric", '\x02' + km);
    Write("csv_import", "demo-mile-into-metric-replace", '\x03' + CsvExportBytes(records, catalog, false));
    Write("csv_import", "demo-km-into-imperial", '\x00' + km);
    QByteArray sheet = km;
    sheet.replace(",\r\n", "\n").replace(".0\n", "\n");
    Write("csv_import", "spreadsheet-lf-bom", "\x02\xEF\xBB\xBF" + sheet);
    Write("csv_import", "largest-values",
          '\x02' + CsvExportBytes({TBINFile{4294961231u, 4294967295u, 4294967295u, 4294967295u, 4294967295u, 0, 0,
                                            4294967295u}},
                                  catalog, true));
    Write("csv_import", "header-only", '\x02' + CsvExportBytes({}, catalog, true));
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    g_root = QString::fromLocal8Bit(argv[1]);

    QTemporaryDir demo;
    const QDate today(2010, 7, 10);
    if (!demo.isValid() || !WriteDemoData(demo.path() + QLatin1Char('/'), today)) {
        std::fprintf(stderr, "cannot write the demo data\n");
        return 1;
    }
    CatalogSeeds();
    UserListSeeds(demo.path() + QLatin1Char('/'));
    MergeSeeds(demo.path() + QLatin1Char('/'), today);
    DeviceSeeds();
    PeriodSeeds();
    DownloadLogSeeds();
    DataArchiveSeeds(demo.path() + QLatin1Char('/'));
    CsvImportSeeds(demo.path() + QLatin1Char('/'));
    return g_ok ? 0 : 1;
}
