#include "cli/export_command.h"

#include "catalog/catalog_file.h"
#include "export/csv_export.h"
#include "export/json_export.h"
#include "export/user_export.h"
#include "platform/atomic_file.h"
#include "profiles/pending_work.h"
#include "profiles/user_list.h"
#include "store/date_key.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <limits>

namespace {

const QString UserOption = QStringLiteral("user");
const QString FromOption = QStringLiteral("from");
const QString ToOption = QStringLiteral("to");
const QString FormatOption = QStringLiteral("format");
const QString OutputOption = QStringLiteral("output");

// The key of a YYYY-MM-DD text of a real day, or 0.
uint32_t KeyOfIsoDate(const QString& text)
{
    static const QRegularExpression iso(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    if (!iso.match(text).hasMatch())
        return 0;
    return DateKey(QDate(text.left(4).toInt(), text.mid(5, 2).toInt(), text.mid(8, 2).toInt()));
}

// Whether path names one of the program's own files in the data directory: an --output of "Anna.bin"
// typed by mistake must not replace a history with its own export. A user's .csv is SEND's and may go.
bool IsProgramFile(const QString& path, const QString& dataDir)
{
    const QFileInfo file(path);
    const QString folder = file.absoluteDir().canonicalPath();
    if (folder.isEmpty() || folder != QDir(dataDir).canonicalPath())
        return false;
    const QString name = file.fileName();
    for (const char* own : {CatalogFileName, UserListFileName, PendingWorkFileName}) {
        if (name == QLatin1String(own))
            return true;
    }
    return name.endsWith(QLatin1String(".bin")) || name.endsWith(QLatin1String(".downloads"));
}

} // namespace

void AddExportOptions(QCommandLineParser& parser)
{
    parser.addOption({UserOption, QStringLiteral("The user whose records are exported (default: the first listed)."),
                      QStringLiteral("NAME")});
    parser.addOption({FromOption, QStringLiteral("The first day exported (default: the earliest)."),
                      QStringLiteral("YYYY-MM-DD")});
    parser.addOption({ToOption, QStringLiteral("The last day exported (default: the latest)."),
                      QStringLiteral("YYYY-MM-DD")});
    parser.addOption({FormatOption,
                      QStringLiteral("csv (the file SEND writes, the default) or json (an array of objects, one per "
                                     "day)."),
                      QStringLiteral("csv|json"), QStringLiteral("csv")});
    parser.addOption({OutputOption,
                      QStringLiteral("Write to FILE, replacing it atomically, instead of standard output."),
                      QStringLiteral("FILE")});
}

int RunExport(const QCommandLineParser& parser, const CommandContext& context)
{
    if (!parser.positionalArguments().isEmpty()) {
        PrintError(context, QStringLiteral("export takes no arguments (kinetrax export --help describes it)"));
        return ExitUsage;
    }
    const QString format = parser.value(FormatOption);
    if (format != QLatin1String("csv") && format != QLatin1String("json")) {
        PrintError(context, QStringLiteral("export: unknown format '%1': csv or json").arg(format));
        return ExitUsage;
    }
    if (parser.isSet(OutputOption) && parser.value(OutputOption).isEmpty()) {
        PrintError(context, QStringLiteral("export: --output needs a file name"));
        return ExitUsage;
    }
    if (parser.isSet(OutputOption) && IsProgramFile(parser.value(OutputOption), context.DataDir)) {
        PrintError(context, QStringLiteral("export: --output %1 is one of Kinetrax's own files; choose another")
                                .arg(QDir::toNativeSeparators(parser.value(OutputOption))));
        return ExitUsage;
    }
    uint32_t fromKey = 0;
    uint32_t toKey = std::numeric_limits<uint32_t>::max();
    for (const auto& [option, key] : {std::pair{FromOption, &fromKey}, std::pair{ToOption, &toKey}}) {
        if (!parser.isSet(option))
            continue;
        *key = KeyOfIsoDate(parser.value(option));
        if (*key == 0) {
            PrintError(context, QStringLiteral("export: --%1 '%2' is not a date of the form YYYY-MM-DD")
                                    .arg(option, parser.value(option)));
            return ExitUsage;
        }
    }
    if (fromKey > toKey) {
        PrintError(context, QStringLiteral("export: --from %1 is after --to %2")
                                .arg(parser.value(FromOption), parser.value(ToOption)));
        return ExitUsage;
    }

    const UserExportSource source = LoadUserExportSource(context.DataDir, parser.value(UserOption));
    if (!source.Ok) {
        PrintError(context, source.Error);
        return ExitFailed;
    }
    const DayRecordList records = RecordsInKeyRange(source.Records, fromKey, toKey);
    const QByteArray bytes = format == QLatin1String("json") ? JsonExportBytes(records, source.Metric)
                                                             : CsvExportBytes(records, source.Catalog, source.Metric);

    if (!parser.isSet(OutputOption)) {
        if (context.Out->write(bytes) != bytes.size()) {
            PrintError(context, QStringLiteral("cannot write to standard output: %1").arg(context.Out->errorString()));
            return ExitFailed;
        }
        return ExitOk;
    }
    const QString path = parser.value(OutputOption);
    QString why;
    if (!WriteFileAtomically(path, bytes, &why)) {
        PrintError(context, QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), why));
        return ExitFailed;
    }
    return ExitOk;
}
