#include "platform/desktop_folder_opener.h"
#include "tests/support/stand_in_desktop_tool.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class DesktopFolderOpenerTest : public QObject {
    Q_OBJECT
private slots:
    // The real opener on the test platform (offscreen, which has no desktop services) against a
    // stand-in xdg-open: the folder reaches the tool as one argument, its blank and letters beyond ASCII
    // intact. What is no folder never reaches it, and without the tool the opener says it failed.
    void folderReachesXdgOpen()
    {
        QTemporaryDir base;
        QVERIFY(base.isValid());
        const QString folder = base.path() + QStringLiteral("/Zoë's records");
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/Zoë.csv");
        QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        DesktopFolderOpener opener;
        {
            StandInDesktopTool tool(StandInDesktopTool::XdgOpen, StandInDesktopTool::Succeed);
            QVERIFY(tool.isValid());
            QVERIFY(!opener.openFolder(folder + QStringLiteral("/missing")));
            QVERIFY(!opener.openFolder(file));
            QVERIFY(!tool.ran());

            QVERIFY(opener.openFolder(folder));
            QTRY_VERIFY_WITH_TIMEOUT(tool.ran(), 5000);
            const QStringList args = tool.arguments();
            QCOMPARE(args.size(), 1);
            const QString arg = args.first();
            // Qt's own services (on a real desktop) hand over a file URL, the fallback the path.
            QCOMPARE(arg.startsWith(QLatin1String("file:")) ? QUrl(arg).toLocalFile() : arg, folder);
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        const bool opened = DesktopFolderOpener().openFolder(folder);
        qputenv("PATH", path);
        QVERIFY(!opened);
    }
};

QTEST_MAIN(DesktopFolderOpenerTest)
#include "test_desktop_folder_opener.moc"
