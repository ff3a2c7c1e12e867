#include "cli/import_command.h"

#include "catalog/catalog_file.h"
#include "export/csv_import.h"
#include "platform/atomic_file.h"
#include "platform/single_instance.h"
#include "profiles/pending_work.h"
#include "profiles/profile_name.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "store/import_merge.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString UserOption = QStringLiteral("user");
const QString ReplaceOption = QStringLiteral("replace");

// The load of the history reports through a box; here the reason is told once, by the command.
class SilentPrompts : public Prompts {
public:
    void showMessage(const QString&, const QString&, int) override {}
    bool askYesNo(const QString&, const QString&, int) override { return false; }
    bool showMessageWithAction(const QString&, const QString&, int, const QString&) override { return false; }
};

// The catalog the program would use, without writing Step.ini when it is missing: a header written
// with translated texts is recognized by them. A damaged catalog leaves the built-in texts, which the
// header may still be in.
TSoftInfo CatalogOf(const QString& dataDir)
{
    TSoftInfo catalog = DefaultCatalog();
    ReadCatalogFile(catalog, dataDir);
    return catalog;
}

QString Days(int n)
{
    return n == 1 ? QStringLiteral("1 day") : QStringLiteral("%1 days").arg(n);
}

} // namespace

void AddImportOptions(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(UserOption, QStringLiteral("The profile whose history takes the days (required)."),
                                        QStringLiteral("NAME")));
    parser.addOption(QCommandLineOption(ReplaceOption, QStringLiteral("Replace the figures of days that differ "
                                                                      "instead of keeping them.")));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The CSV that SEND or kinetrax export "
                                                                        "writes, in km or miles; - reads "
                                                                        "standard input."));
}

int RunImport(const QCommandLineParser& parser, const CommandContext& context)
{
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1) {
        PrintError(context, QStringLiteral("import takes one FILE (kinetrax import --help describes it)"));
        return ExitUsage;
    }
    const QString name = parser.value(UserOption);
    if (name.isEmpty()) {
        PrintError(context, QStringLiteral("import needs --user NAME (kinetrax users lists them)"));
        return ExitUsage;
    }
    const bool replace = parser.isSet(ReplaceOption);
    const QString fileName = files.first();
    const bool fromStdin = fileName == QLatin1String("-");
    const QString shownFile = fromStdin ? QStringLiteral("standard input") : fileName;

    SingleInstanceGuard program(context.LockDirectory);
    if (!AcquireProgramLock(program, context))
        return ExitProgramRunning;

    if (!LoadPendingWork(context.DataDir + QLatin1String(PendingWorkFileName)).empty()) {
        PrintError(context, QStringLiteral("an earlier change of Kinetrax is unfinished (%1): start Kinetrax once "
                                           "to finish it, then import again. Nothing was changed.")
                                .arg(context.DataDir + QLatin1String(PendingWorkFileName)));
        return ExitFailed;
    }

    const QString listPath = context.DataDir + QLatin1String(UserListFileName);
    if (!QFileInfo::exists(listPath)) {
        PrintError(context, QStringLiteral("no user \"%1\": there is no user list (%2)").arg(name, listPath));
        return ExitFailed;
    }
    const UserListFile list = LoadUserList(listPath);
    if (!list.Readable) {
        PrintError(context, list.Error);
        return ExitFailed;
    }
    const auto client = std::find_if(list.Clients.begin(), list.Clients.end(),
                                     [&](const TClient& c) { return c.Name == name; });
    if (client == list.Clients.end()) {
        PrintError(context, QStringLiteral("no user \"%1\" in %2 (kinetrax users lists them)").arg(name, listPath));
        return ExitFailed;
    }
    const QString unusable = UnusableProfileText(name);
    if (!unusable.isEmpty()) {
        PrintError(context, unusable);
        return ExitFailed;
    }

    QFile input;
    if (fromStdin) {
        input.open(stdin, QIODevice::ReadOnly);
    } else {
        input.setFileName(fileName);
        // Only a regular file: a pipe or a device could block or never end; the size is refused before a
        // byte is read.
        const QFileInfo info(fileName);
        if (info.exists() && !info.isFile()) {
            PrintError(context, QStringLiteral("%1: not a regular file").arg(fileName));
            return ExitFailed;
        }
        if (!input.open(QIODevice::ReadOnly)) {
            PrintError(context, QStringLiteral("%1: %2").arg(fileName, input.errorString()));
            return ExitFailed;
        }
        if (input.size() > MaxCsvImportBytes) {
            PrintError(context, QStringLiteral("%1: larger than %2 MiB, not a CSV export of days")
                                    .arg(fileName)
                                    .arg(MaxCsvImportBytes >> 20));
            return ExitFailed;
        }
    }
    const TSoftInfo catalog = CatalogOf(context.DataDir);
    CsvImport csv = ReadRecordsCsv(input, catalog);
    if (input.error() != QFileDevice::NoError) {
        PrintError(context, QStringLiteral("%1: %2").arg(shownFile, input.errorString()));
        return ExitFailed;
    }
    if (!csv.Ok) {
        PrintError(context, QStringLiteral("%1:%2: %3").arg(shownFile).arg(csv.Line).arg(csv.Error));
        return ExitFailed;
    }
    const bool userMetric = client->Metric != 0;
    ConvertImportedDistances(csv.Records, csv.Metric, userMetric);

    const QString historyPath = ActivityFilePath(context.DataDir, name);
    const bool historyExists = QFileInfo::exists(historyPath);
    DayRecordList history;
    SilentPrompts silent;
    if (historyExists && !LoadDayRecords(historyPath, history, catalog, silent)) {
        PrintError(context, QStringLiteral("cannot read the history of %1 (%2): not a readable file, or larger "
                                           "than %3 MiB. Nothing was changed.")
                                .arg(name, historyPath)
                                .arg(MaxActivityFileBytes >> 20));
        return ExitFailed;
    }
    const ImportCounts counts = MergeImportedDays(history, csv.Records, replace);
    if (qint64(history.size()) * DayRecordSize > MaxActivityFileBytes) {
        PrintError(context, QStringLiteral("%1 days would be more than the history of %2 may hold (%3). Nothing "
                                           "was changed.")
                                .arg(history.size())
                                .arg(name)
                                .arg(MaxActivityFileBytes / DayRecordSize));
        return ExitFailed;
    }
    // Nothing new: the file stays as it is, unless it has to be created.
    if (counts.Added > 0 || (replace && counts.Differing > 0) || !historyExists) {
        QString why;
        if (!WriteFileAtomically(historyPath, DayRecordsToBytes(history), &why)) {
            PrintError(context, QStringLiteral("cannot write %1: %2. Nothing was changed.").arg(historyPath, why));
            return ExitFailed;
        }
    }
    PrintLine(context, QStringLiteral("%1: %2 added, %3 identical, %4 differing %5")
                           .arg(name, Days(counts.Added))
                           .arg(counts.Identical)
                           .arg(counts.Differing)
                           .arg(replace ? QStringLiteral("replaced") : QStringLiteral("kept")));
    return ExitOk;
}
