#include "store/data_archive.h"

#include "catalog/catalog_file.h"
#include "platform/write_stop.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "store/download_log.h"
#include "tests/support/builders.h"
#include "tests/support/kinetrax_command.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

const QString Zoe = QStringLiteral("Zoë Ångström 李");

// A data directory "data" inside a parent of its own, so that what a restore leaves beside it shows.
struct DataDirRig {
    QTemporaryDir parent;
    QString dir = parent.path() + QStringLiteral("/data/");

    DataDirRig() { QDir().mkpath(dir); }

    bool write(const QString& name, const QByteArray& bytes, int mode = 0644) const
    {
        QFile file(dir + name);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && (file.close(), true)
            && ::chmod(QFile::encodeName(dir + name).constData(), mode_t(mode)) == 0;
    }

    QStringList besideData() const { return QDir(parent.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }
};

// Two users' files, the catalog, a pending note and files a backup must leave alone.
bool FillData(const DataDirRig& rig)
{
    const ClientList clients = {MetricClient(Zoe), MetricClient(QStringLiteral("Kim"))};
    DayRecordList days;
    for (uint32_t d = 1; d <= 28; ++d)
        days.push_back(Day(20240200 + d, 1000 * d, 8000, 70 * d));
    QByteArray log;
    DownloadLogEntry entry{QDateTime(QDate(2024, 2, 28), QTime(9, 42), Qt::OffsetFromUTC, 3600), MemoryImage{}};
    log += DownloadLogLine(entry) + "\r\n";
    return rig.write(QStringLiteral("Step.ini"), DefaultCatalogBytes())
        && rig.write(QLatin1String(UserListFileName), UserListBytes(clients), 0600)
        && rig.write(Zoe + QStringLiteral(".bin"), DayRecordsToBytes(days), 0600)
        && rig.write(Zoe + QStringLiteral(".downloads"), log)
        && rig.write(QStringLiteral("Kim.bin"), QByteArray())
        && rig.write(QStringLiteral("Kinetrax.pending"), "delete Old\r\n")
        && rig.write(QStringLiteral("Kim.csv"), "an export\r\n")
        && rig.write(QStringLiteral("kinetrax"), "the program in portable use", 0755)
        && QDir(rig.dir).mkdir(QStringLiteral("sub")) && rig.write(QStringLiteral("sub/Old.bin"), "in a subdirectory")
        && QFile::link(rig.parent.path() + QStringLiteral("/outside"), rig.dir + QStringLiteral("Link.bin"))
        && QFile(rig.parent.path() + QStringLiteral("/outside")).open(QIODevice::WriteOnly);
}

int Mode(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// A plain ustar archive written by hand, for entries that no well-behaved writer produces.
struct Tar {
    QByteArray bytes;

    Tar& add(const QByteArray& name, const QByteArray& content, char type = '0', const QByteArray& link = QByteArray(),
             const QByteArray& sizeField = QByteArray())
    {
        QByteArray h(512, '\0');
        auto put = [&h](int at, const QByteArray& v) { h.replace(at, int(v.size()), v); };
        put(0, name.left(100));
        put(100, "0000644");
        put(108, "0000000");
        put(116, "0000000");
        put(124, sizeField.isEmpty() ? QByteArray::number(content.size(), 8).rightJustified(11, '0') : sizeField);
        put(136, "14600000000");
        put(148, "        ");
        h[156] = type;
        put(157, link.left(100));
        put(257, QByteArray("ustar\0" "00", 8));
        unsigned sum = 0;
        for (char c : h)
            sum += uint8_t(c);
        put(148, QByteArray::number(sum, 8).rightJustified(6, '0') + QByteArray("\0 ", 2));
        bytes += h + content;
        if (content.size() % 512)
            bytes += QByteArray(512 - content.size() % 512, '\0');
        return *this;
    }
    QByteArray end() const { return bytes + QByteArray(1024, '\0'); }
};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestDataArchive : public QObject {
    Q_OBJECT

private slots:
    void init() { FailFileWriteForTests(0); }

    void backupWipeRestoreGivesEveryFileBack()
    {
        DataDirRig rig;
        QVERIFY(FillData(rig));
        const auto before = DirectorySnapshot(rig.dir);
        const QString archive = rig.parent.path() + QStringLiteral("/backup.tar.gz");

        const BackupResult backup = WriteDataBackup(rig.dir, archive);
        QVERIFY2(backup.Ok, qPrintable(backup.Error));
        QCOMPARE(backup.Files, 6);
        QCOMPARE(DataFileNames(rig.dir).size(), 6);
        QCOMPARE(DirectorySnapshot(rig.dir), before);

        // Any tar reads it: names, bytes and modes as they were, nothing else in it.
        QTemporaryDir untarred;
        QProcess tar;
        tar.start(QStringLiteral("tar"), {QStringLiteral("-xzf"), archive, QStringLiteral("-C"), untarred.path()});
        QVERIFY(tar.waitForFinished() && tar.exitCode() == 0);
        QCOMPARE(QDir(untarred.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 DataFileNames(rig.dir));
        QCOMPARE(ReadAll(untarred.filePath(Zoe + QStringLiteral(".bin"))), before.value(Zoe + QStringLiteral(".bin")).first);
        QCOMPARE(Mode(untarred.filePath(QStringLiteral("Kinetrax.dat"))), 0600);

        // Wiped and changed: a data file removed, one rewritten, one added that the backup does not hold.
        QVERIFY(QFile::remove(rig.dir + Zoe + QStringLiteral(".bin")));
        QVERIFY(rig.write(QLatin1String(UserListFileName), UserListBytes({})));
        QVERIFY(rig.write(QStringLiteral("Added.bin"), "new"));
        const RestoreResult restore = RestoreDataBackup(rig.dir, archive);
        QVERIFY2(restore.Ok, qPrintable(restore.Error));
        QCOMPARE(restore.Files, 6);
        QCOMPARE(restore.Error, QString());
        QCOMPARE(DirectorySnapshot(rig.dir), before);
        QCOMPARE(Mode(rig.dir + QStringLiteral("Kinetrax.dat")), 0600);
        QCOMPARE(Mode(rig.dir + QStringLiteral("Step.ini")), 0644);
        QCOMPARE(Mode(rig.dir + QStringLiteral("kinetrax")), 0755);
        QCOMPARE(ReadAll(rig.dir + QStringLiteral("sub/Old.bin")), QByteArray("in a subdirectory"));
        QVERIFY(QFileInfo(rig.dir + QStringLiteral("Link.bin")).isSymLink());
        QCOMPARE(rig.besideData(), (QStringList{QStringLiteral("backup.tar.gz"), QStringLiteral("data"), QStringLiteral("outside")}));

        // Into a data directory that does not exist yet.
        const QString fresh = rig.parent.path() + QStringLiteral("/fresh/");
        QVERIFY(RestoreDataBackup(fresh, archive).Ok);
        QCOMPARE(DirectorySnapshot(fresh).keys(), DataFileNames(rig.dir));
    }

    void hostileArchivesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("archive");
        QTest::addColumn<QString>("error");
        const QByteArray list = UserListBytes({MetricClient(QStringLiteral("Anna"))});
        const Tar ok = Tar().add("Kinetrax.dat", list);
        QTest::newRow("path traversal") << Tar(ok).add("../x.bin", "x").end() << "\"../x.bin\", a path that would leave the data directory";
        QTest::newRow("absolute path") << Tar(ok).add("/etc/x", "x").end() << "\"/etc/x\", a path that would leave the data directory";
        QTest::newRow("subdirectory") << Tar(ok).add("sub/x.bin", "x").end() << "\"sub/x.bin\", which is not a data file";
        QTest::newRow("dot slash") << Tar(ok).add("./Anna.bin", "x").end() << "\"./Anna.bin\", which is not a data file";
        QTest::newRow("symbolic link") << Tar(ok).add("Anna.bin", "", '2', "/etc/passwd").end() << "\"Anna.bin\" as a link";
        QTest::newRow("hard link") << Tar(ok).add("Anna.bin", "", '1', "Kinetrax.dat").end() << "\"Anna.bin\" as a link";
        QTest::newRow("directory") << Tar(ok).add("Anna.bin", "", '5').end() << "Anna.bin";
        QTest::newRow("device") << Tar(ok).add("Anna.bin", "", '3').end() << "\"Anna.bin\" as a link, directory or device";
        QTest::newRow("duplicate") << Tar(ok).add("Kinetrax.dat", list).end() << "\"Kinetrax.dat\" twice";
        QTest::newRow("claims a huge size") << Tar(ok).add("Anna.bin", "", '0', {}, "77777777777").end()
                                            << "\"Anna.bin\" in the archive is too large (8589934591 bytes)";
        QTest::newRow("user list over its limit") << Tar().add("Kinetrax.dat", list + QByteArray(MaxUserListFileBytes, '\n')).end()
                                                  << "\"Kinetrax.dat\" in the archive is too large";
        QTest::newRow("truncated") << Tar(ok).add("Anna.bin", QByteArray(4096, 'x')).end().left(1500) << "damaged";
        QTest::newRow("garbage") << QByteArray("\x1f\x8b\x08 not really gzip, then nothing") << "not a Kinetrax backup";
        QTest::newRow("plain text") << QByteArray("SoftName:Kinetrax\r\n[Client]\r\n0\r\n") << "not a Kinetrax backup";
        QTest::newRow("zip") << QByteArray("PK\x03\x04\x14\0\0\0\0\0\0\0\0\0\0\0\0\0\x05\0\0\0\x05\0\0\0\x0c\0\0\0Kinetrax.dat"
                                           "hello", 47) + QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0')
                             << "not a Kinetrax backup";
        QTest::newRow("empty archive") << Tar().end() << "not a Kinetrax backup";
        QTest::newRow("empty file") << QByteArray() << "not a Kinetrax backup";
        QTest::newRow("not one of our files") << Tar(ok).add("notes.txt", "x").end() << "\"notes.txt\", which is not a data file";
        QTest::newRow("an export") << Tar(ok).add("Anna.csv", "x").end() << "\"Anna.csv\", which is not a data file";
        QTest::newRow("unparsable user list") << Tar().add("Kinetrax.dat", "hello\r\n").end() << "\"Kinetrax.dat\" in the archive is not a user list";
        QTest::newRow("a bad file after good ones") << Tar().add("Step.ini", DefaultCatalogBytes()).add("Anna.bin", "x").add("a\x01.bin", "x").end()
                                                    << "which is not a data file";
    }

    void hostileArchivesAreRefused()
    {
        QFETCH(QByteArray, archive);
        QFETCH(QString, error);
        DataDirRig rig;
        QVERIFY(FillData(rig));
        const QString path = rig.parent.path() + QStringLiteral("/hostile.tar");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(archive) == archive.size());
        file.close();
        const auto before = DirectorySnapshot(rig.dir);
        const QStringList beside = rig.besideData();

        const BackupCheck check = CheckDataBackup(archive);
        QVERIFY(!check.Ok);
        QVERIFY2(check.Error.contains(error), qPrintable(check.Error));

        const RestoreResult restore = RestoreDataBackup(rig.dir, path);
        QVERIFY(!restore.Ok);
        QVERIFY2(restore.Error.startsWith(path + QStringLiteral(": ")) && restore.Error.contains(error)
                     && restore.Error.endsWith(QStringLiteral("Nothing was changed.")),
                 qPrintable(restore.Error));
        QCOMPARE(DirectorySnapshot(rig.dir), before);
        QCOMPARE(rig.besideData(), beside);
    }

    void aFailedMoveOrAnUnfinishedRestorePutsTheOldFilesBack()
    {
        DataDirRig rig;
        QVERIFY(FillData(rig));
        const QString archive = rig.parent.path() + QStringLiteral("/backup.tar.gz");
        QVERIFY(WriteDataBackup(rig.dir, archive).Ok);
        // What the restore should replace: a changed list and a file the backup does not hold.
        QVERIFY(rig.write(QLatin1String(UserListFileName), UserListBytes({})));
        QVERIFY(rig.write(QStringLiteral("Added.downloads"), "new"));
        const auto before = DirectorySnapshot(rig.dir);
        const QStringList beside = rig.besideData();

        // Seven files move aside, six move in: each of the thirteen moves fails once.
        int n = 1;
        for (;; ++n) {
            FailFileWriteForTests(n);
            const RestoreResult r = RestoreDataBackup(rig.dir, archive);
            if (!FailedFileWriteForTests()) {
                QVERIFY2(r.Ok, qPrintable(r.Error));
                break;
            }
            QVERIFY(!r.Ok);
            QVERIFY2(r.Error.contains(QStringLiteral("No space left on device")) && r.Error.endsWith(QStringLiteral("Nothing was changed.")),
                     qPrintable(r.Error));
            QCOMPARE(r.KeptDir, QString());
            QCOMPARE(DirectorySnapshot(rig.dir), before);
            QCOMPARE(rig.besideData(), beside);
        }
        QCOMPARE(n, 14);
        QVERIFY(!QFile::exists(rig.dir + QStringLiteral("Added.downloads")));

        // The folder of a restore that did not finish holds the only copy of older files: never touched.
        QVERIFY(QDir().mkdir(KeptDirectory(rig.dir)));
        QVERIFY(QFile(KeptDirectory(rig.dir) + QStringLiteral("/Kinetrax.dat")).open(QIODevice::WriteOnly));
        const auto restored = DirectorySnapshot(rig.dir);
        const RestoreResult r = RestoreDataBackup(rig.dir, archive);
        QVERIFY(!r.Ok);
        QVERIFY2(r.Error.contains(KeptDirectory(rig.dir)) && r.Error.contains(QStringLiteral("did not finish")), qPrintable(r.Error));
        QCOMPARE(DirectorySnapshot(rig.dir), restored);
        QCOMPARE(DirectorySnapshot(KeptDirectory(rig.dir)).keys(), QStringList{QStringLiteral("Kinetrax.dat")});
    }

    void backupFailsWithoutTouchingAnOlderFile()
    {
        DataDirRig rig;
        QVERIFY(FillData(rig));
        const QString archive = rig.parent.path() + QStringLiteral("/backup.tar.gz");
        QVERIFY(rig.write(QStringLiteral("../backup.tar.gz"), "older backup"));

        FailFileWriteForTests(1);
        BackupResult r = WriteDataBackup(rig.dir, archive);
        QVERIFY(!r.Ok);
        QVERIFY2(r.Error.contains(QStringLiteral("No space left on device")), qPrintable(r.Error));
        QCOMPARE(ReadAll(archive), QByteArray("older backup"));

        r = WriteDataBackup(rig.dir, rig.parent.path() + QStringLiteral("/missing/backup.tar.gz"));
        QVERIFY(!r.Ok);
        QVERIFY2(r.Error.startsWith(QStringLiteral("cannot write ")), qPrintable(r.Error));

        // A backup never replaces a data file, and never writes what a restore would refuse.
        r = WriteDataBackup(rig.dir, rig.dir + QStringLiteral("Kim.bin"));
        QVERIFY(!r.Ok);
        QVERIFY2(r.Error.contains(QStringLiteral("is a data file")), qPrintable(r.Error));
        QCOMPARE(ReadAll(rig.dir + QStringLiteral("Kim.bin")), QByteArray());
        QVERIFY(rig.write(QLatin1String(UserListFileName), "not a list"));
        r = WriteDataBackup(rig.dir, archive);
        QVERIFY(!r.Ok);
        QVERIFY2(r.Error.contains(QStringLiteral("Kinetrax.dat is not a user list: a restore would refuse it")), qPrintable(r.Error));
        QCOMPARE(ReadAll(archive), QByteArray("older backup"));

        DataDirRig empty;
        r = WriteDataBackup(empty.dir, archive);
        QVERIFY(!r.Ok);
        QVERIFY2(r.Error.contains(QStringLiteral("no data files")), qPrintable(r.Error));
    }
};

QTEST_GUILESS_MAIN(TestDataArchive)
#include "test_data_archive.moc"
