#include "profiles/user_list.h"

#include "tests/support/builders.h"
#include "tests/support/temp_data_dir.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

Q_DECLARE_METATYPE(TClient)

namespace {

const TClient Anna = Client("Anna", 1, 34, 165, 58, 68, 8000, 1, 1);
const TClient Bob = Client("Bob", 2, 41, 510, 176, 29, 10000, 0, 1);

QStringList Names(const ClientList& clients)
{
    QStringList names;
    for (const TClient& c : clients)
        names << c.Name;
    return names;
}

} // namespace

class UserListTest : public QObject {
    Q_OBJECT

private slots:
    void writesExactFileAndReadsItBack()
    {
        TempDataDir dir;
        const QString path = dir.filePath(UserListFileName);
        QVERIFY(SaveUserList(path, { Anna, Bob }));
        QCOMPARE(dir.read(UserListFileName), QByteArray("SoftName:Kinetrax\r\n[Client]\r\n2\r\n"
                                                        "Anna,1,34,165,58,68,8000,1,1\r\n"
                                                        "Bob,2,41,510,176,29,10000,0,1\r\n"));
        const UserListFile back = LoadUserList(path);
        QVERIFY(back.Readable);
        QVERIFY(back.HasClientSection);
        QVERIFY(!back.Damaged);
        QCOMPARE(back.LoadedCount, 2);
        QCOMPARE(back.Clients, (ClientList { Anna, Bob }));

        QVERIFY(SaveUserList(path, {}));
        QCOMPARE(dir.read(UserListFileName), QByteArray("SoftName:Kinetrax\r\n[Client]\r\n0\r\n"));
        QCOMPARE(LoadUserList(path).Clients, ClientList {});
    }

    void fieldExtremesAndOtherScriptsSurviveARoundTrip()
    {
        TempDataDir dir;
        const QString path = dir.filePath(UserListFileName);
        const ClientList clients { Client(QStringLiteral(" Jörg Ørsted 李 "), 0, 255, 65535, 65535, 65535,
                                          4294967295u, 0, 0) };
        QVERIFY(SaveUserList(path, clients));
        QCOMPARE(LoadUserList(path).Clients, clients);
    }

    void parsesProfileLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<TClient>("expected");
        QTest::newRow("plain") << "Anna,1,34,165,58,68,8000,1,1" << Anna;
        QTest::newRow("name untrimmed") << " Anna ,1,34,165,58,68,8000,1,1"
                                        << Client(" Anna ", 1, 34, 165, 58, 68, 8000, 1, 1);
        QTest::newRow("no comma: empty name, line is TimeSync") << "Bob" << Client("", 0, 0, 0, 0, 0, 0, 0, 0);
        QTest::newRow("no comma, numeric") << "7" << Client("", 0, 0, 0, 0, 0, 0, 0, 1);
        QTest::newRow("empty line") << "" << Client("", 0, 0, 0, 0, 0, 0, 0, 0);
        QTest::newRow("wide values keep low bits") << "A,258,300,70000,65536,65537,4294967297,1,1"
                                                   << Client("A", 2, 44, 4464, 0, 1, 1, 1, 1);
        QTest::newRow("negative values keep low bits") << "A,-1,-2,-3,0,0,-1,0,0"
                                                       << Client("A", 255, 254, 65533, 0, 0, 4294967295u, 0, 0);
        QTest::newRow("largest unsigned target") << "A,1,1,1,1,1,4294967295,1,1"
                                                 << Client("A", 1, 1, 1, 1, 1, 4294967295u, 1, 1);
        QTest::newRow("junk fields read 0") << "A,x,3a,,1.5,0x10,ten,yes,no"
                                            << Client("A", 0, 0, 0, 0, 0, 0, 0, 0);
        QTest::newRow("flags any non-zero") << "A,1,1,1,1,1,1,256,-7" << Client("A", 1, 1, 1, 1, 1, 1, 1, 1);
        QTest::newRow("fewer commas") << "Cleo,1,30" << Client("Cleo", 1, 0, 0, 0, 0, 0, 0, 1);
        QTest::newRow("extra commas spoil TimeSync") << "A,1,2,3,4,5,6,1,1,extra" << Client("A", 1, 2, 3, 4, 5, 6, 1, 0);
        QTest::newRow("comma in name shifts fields") << "Smith, J,2,40,180,80,75,9000,1,1"
                                                     << Client("Smith", 0, 2, 40, 180, 80, 75, 9000, 0);
    }
    void parsesProfileLines()
    {
        QFETCH(QString, line);
        QFETCH(TClient, expected);
        const TClient got = ParseClientLine(line);
        QCOMPARE(got.Name, expected.Name);
        QCOMPARE(ClientLine(got), ClientLine(expected));
    }

    void readsListFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("hasSection");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("damaged");

        const QByteArray two = "Anna,1,34,165,58,68,8000,1,1\r\nBob,2,41,510,176,29,10000,0,1\r\n";
        QTest::newRow("section in capitals") << "SoftName:Kinetrax\r\n[CLIENT]\r\n2\r\n" + two << true
                                             << QStringList { "Anna", "Bob" } << false;
        QTest::newRow("other first line") << "whatever\r\nmore\r\n[client]\r\n2\r\n" + two << true
                                          << QStringList { "Anna", "Bob" } << false;
        QTest::newRow("section first") << "[Client]\r\n1\r\n" + two << true << QStringList { "Anna" } << true;
        QTest::newRow("LF and CR line ends") << QByteArray("SoftName:Kinetrax\n[Client]\r2\nAnna,1\rBob,2") << true
                                             << QStringList { "Anna", "Bob" } << false;
        QTest::newRow("no trailing line end") << QByteArray("[Client]\r\n1\r\nAnna,1,34,165,58,68,8000,1,1")
                                              << true << QStringList { "Anna" } << false;
        QTest::newRow("trailing blank lines") << "[Client]\r\n2\r\n" + two + "\r\n\r\n" << true
                                              << QStringList { "Anna", "Bob" } << false;
        QTest::newRow("no section") << QByteArray("SoftName:Kinetrax\r\n[Clients]\r\n2\r\n") << false
                                    << QStringList {} << false;
        QTest::newRow("empty file") << QByteArray() << false << QStringList {} << false;
        QTest::newRow("binary junk") << QByteArray("\x00\xff\x01\xfe\r\r\n\x80", 8) << false << QStringList {} << false;
        QTest::newRow("blanks around section") << QByteArray(" [Client]\r\n0\r\n") << false << QStringList {} << false;
        QTest::newRow("section on last line") << QByteArray("SoftName:Kinetrax\r\n[Client]\r\n") << true
                                              << QStringList {} << true;
        QTest::newRow("count not a number") << "[Client]\r\ntwo\r\n" + two << true << QStringList {} << true;
        QTest::newRow("count negative") << "[Client]\r\n-2\r\n" + two << true << QStringList {} << true;
        QTest::newRow("count beyond lines") << "[Client]\r\n5\r\n" + two << true << QStringList { "Anna", "Bob" }
                                            << true;
        QTest::newRow("count huge") << "[Client]\r\n99999999999\r\n" + two << true << QStringList { "Anna", "Bob" }
                                    << true;
        QByteArray ten = "[Client]\r\n10\r\n";
        QStringList eight;
        for (int i = 1; i <= 10; ++i) {
            ten += "U" + QByteArray::number(i) + ",1,20,170,70,70,1000,1,1\r\n";
            if (i <= MaxClients)
                eight << "U" + QString::number(i);
        }
        QTest::newRow("more than eight profiles") << ten << true << eight << true;
    }
    void readsListFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, hasSection);
        QFETCH(QStringList, names);
        QFETCH(bool, damaged);
        TempDataDir dir;
        QVERIFY(dir.write(UserListFileName, bytes));
        const UserListFile list = LoadUserList(dir.filePath(UserListFileName));
        QVERIFY(list.Readable);
        QCOMPARE(list.HasClientSection, hasSection);
        QCOMPARE(Names(list.Clients), names);
        QCOMPARE(list.LoadedCount, int(names.size()));
        QCOMPARE(list.Damaged, damaged);
        // Reading never writes.
        QCOMPARE(dir.read(UserListFileName), bytes);
    }

    void byteOrderMarkSelectsEncoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QString text = QStringLiteral("SoftName:Kinetrax\r\n[Client]\r\n1\r\nZoë,1,34,165,58,68,8000,1,1\r\n");
        QTest::newRow("UTF-8 with mark") << "\xEF\xBB\xBF" + text.toUtf8();
        QByteArray le("\xFF\xFE"), be("\xFE\xFF");
        for (QChar c : text) {
            const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
            le.append(lo).append(hi);
            be.append(hi).append(lo);
        }
        QTest::newRow("UTF-16 little-endian") << le;
        QTest::newRow("UTF-16 big-endian") << be;
        QTest::newRow("system encoding without mark") << text.toLocal8Bit();
    }
    void byteOrderMarkSelectsEncoding()
    {
        QFETCH(QByteArray, bytes);
        const UserListFile list = ParseUserList(bytes);
        QCOMPARE(list.Clients, (ClientList { Client(QStringLiteral("Zoë"), 1, 34, 165, 58, 68, 8000, 1, 1) }));
        QVERIFY(!list.Damaged);
    }

    // A damaged UTF-16 file can hold half a character, which the 8-bit file cannot: the name must
    // read as what a save writes, or the profile would be renamed (and lose its activity file) then.
    void loneSurrogateReadsAsReplacementCharacter()
    {
        QByteArray bytes("\xFF\xFE");
        const QString text = QStringLiteral("[Client]\r\n2\r\n") + QChar(0xD800) + QStringLiteral("Ann,1,1,1,1,1,1,1,1\r\n")
            + QStringLiteral("Bo") + QChar(0xDC00) + QStringLiteral(",1,1,1,1,1,1,1,1\r\n");
        for (QChar c : text)
            bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        const UserListFile list = ParseUserList(bytes);
        QCOMPARE(Names(list.Clients), (QStringList { QStringLiteral("\uFFFDAnn"), QStringLiteral("Bo\uFFFD") }));
        QCOMPARE(ParseUserList(UserListBytes(list.Clients)).Clients, list.Clients);
    }

    void unreadableFilesAreReportedNotRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << "missing";
        QTest::newRow("directory") << "dir";
        QTest::newRow("too large") << "huge";
        QTest::newRow("named pipe") << "fifo";
    }
    void unreadableFilesAreReportedNotRead()
    {
        QFETCH(QString, kind);
        TempDataDir dir;
        const QString path = dir.filePath(UserListFileName);
        if (kind == "dir") {
            QVERIFY(QDir(dir.path()).mkdir(UserListFileName));
        } else if (kind == "fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == "huge") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("[Client]\r\n1\r\nAnna\r\n") > 0);
            QVERIFY(file.resize(MaxUserListFileBytes + 1));
        }
        const UserListFile list = LoadUserList(path);
        QVERIFY(!list.Readable);
        QVERIFY(!list.Error.isEmpty());
        QVERIFY(list.Clients.empty());
    }

    void refusedOrFailedSaveKeepsOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("comma in name") << "Smith, J" << false;
        QTest::newRow("line break in name") << "Ann\nBob" << false;
        QTest::newRow("carriage return in name") << "Ann\r" << false;
        QTest::newRow("write fails") << "Cleo" << true;
    }
    void refusedOrFailedSaveKeepsOldFile()
    {
        QFETCH(QString, name);
        QFETCH(bool, diskFull);
        QVERIFY(NameBreaksUserList(name) != diskFull);
        TempDataDir dir;
        const QString path = dir.filePath(UserListFileName);
        QVERIFY(SaveUserList(path, { Anna }));
        const QByteArray old = dir.read(UserListFileName);
        TClient c = Bob;
        c.Name = name;
        QString error;
        bool saved = true;
        {
            FileSizeLimit limit(diskFull ? 16 : RLIM_INFINITY);
            saved = SaveUserList(path, { Anna, c }, &error);
        }
        QVERIFY(!saved);
        QVERIFY(!error.isEmpty());
        QCOMPARE(dir.read(UserListFileName), old);
    }
};

QTEST_GUILESS_MAIN(UserListTest)
#include "test_user_list.moc"
