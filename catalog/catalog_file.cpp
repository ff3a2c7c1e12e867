#include "catalog/catalog_file.h"

#include "platform/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringView>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

const char DefaultCatalogText[] =
    "[SoftName]\r\n"
    "Kinetrax\r\n"
    "V1.0\r\n"
    "[TodayButton]\r\n"
    "Today,Record,User Setting,Send\r\n"
    "[TodayPanel]\r\n"
    "Step,Distance,Calorie,Walking Time,Cardio Steps,Cardio Time,Total Step,Target Step,Goal,0%,100%\r\n"
    "[RecordButton]\r\n"
    "Daily,Weekly,Monthly,Yearly\r\n"
    "[RecordPanel]\r\n"
    "Steps,Distance,Calories,Walking Time,Cardio Steps,Cardio Time\r\n"
    "[UserButton]\r\n"
    "New,Del,OK,Save,Exit\r\n"
    "[UserSetting]\r\n"
    "User,Name,Gender,Name:,Gender:,male,female,Age:,Height:,feet,meter,Weight:,lb,kg,Step length:,inch,cm,"
    "Target,Step,Distance,Calorie\r\n"
    "Auto Time Sync. Function\r\n"
    "Welcome to Kinetrax! Please select user.\r\n"
    "Please input your information.\r\n"
    "USER INFORMATION\r\n"
    "[Units]\r\n"
    "meter,kg,cm,feet,lb,inch,step,km,mile,Kcal,min,steps\r\n"
    "[Months]\r\n"
    "Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep,Oct,Nov,Dec\r\n"
    "[DaySuffix]\r\n"
    "st,nd,rd,th\r\n"
    "[NewInit1]\r\n"
    "New User,2,18,1,70,45,50,5000\r\n"
    "[NewInit2]\r\n"
    "5,06,100,20\r\n"
    "[CSVFileHead]\r\n"
    "Date,Steps,Target Step,Distance(\r\n"
    "),Calories(kcal),Walking Time(min)\r\n"
    "[XAxisString]\r\n"
    "Day,Week,Month,Year\r\n"
    "[YAxisString]\r\n"
    "Target Step\r\n"
    "[Other]\r\n"
    "Total,Male,Female\r\n"
    "[Info]\r\n"
    "25\r\n"
    "No device!\r\n"
    "Loading\r\n"
    "Failed to Register Device Notifications\r\n"
    "No customer information, the system will shut down!  \r\n"
    "The document does not exist or has damaged\r\n"
    "Mail Send failed!          \r\n"
    "USB Writer Data Error:ERROR_IO_PENDING\r\n"
    "USB Writer Data Error:WAIT_OBJECT_0\r\n"
    "USB Writer Data timeout:WAIT_TIMEOUT\r\n"
    "USB Writer Data Error:default\r\n"
    "Uploading...Please try again later!\r\n"
    "Open file error !     \r\n"
    "Synchronization OK!   \r\n"
    "Please input the name!\r\n"
    "Welcome to the Kinetrax! Please create your user profile.\r\n"
    "Please choose the user!\r\n"
    "Create file error !\r\n"
    " already exists,Please re-input the name!\r\n"
    "Max number of user is 8.\r\n"
    "All records in device will be cleared permanently once the unit is changed. Continue?\r\n"
    "New data exists. Would you like to override current daily data?\r\n"
    "Data exists for Day\r\n"
    " ,would you like to override?\r\n"
    "Really want to delete permanently?\r\n"
    "Device unit has changed, update the local data!   \r\n";

// How the lines after a section header fill its positions.
enum class SectionShape {
    WholeLines,     // one line per position
    CommaList,      // one line, split at commas
    CommaListThen,  // one line split at commas for the first positions, then one whole line per position
    CountedLines,   // a count N, then N whole lines
    OptionalLines,  // one whole line per position, up to the next header or the end; never damaged
};

struct Section {
    const char* header;
    QString* texts;
    int size;
    SectionShape shape;
    int listPositions = 0; // CommaListThen: how many positions the comma list fills
};

template <size_t N>
Section section(const char* header, std::array<QString, N>& texts, SectionShape shape, int listPositions = 0)
{
    return {header, texts.data(), int(N), shape, listPositions};
}

std::vector<Section> SectionsOf(TSoftInfo& c)
{
    using S = SectionShape;
    return {
        section("[SoftName]", c.SoftName, S::WholeLines),
        section("[TodayButton]", c.TodayButton, S::CommaList),
        section("[RecordButton]", c.RecordButton, S::CommaList),
        section("[UserButton]", c.UserButton, S::CommaList),
        section("[TodayPanel]", c.TodayPanel, S::CommaList),
        section("[RecordPanel]", c.RecordPanel, S::CommaList),
        section("[UserSetting]", c.UserSetting, S::CommaListThen, 21),
        section("[Units]", c.Units, S::CommaList),
        section("[Months]", c.Months, S::CommaList),
        section("[DaySuffix]", c.DaySuffix, S::CommaList),
        section("[NewInit1]", c.NewInit1, S::CommaList),
        section("[NewInit2]", c.NewInit2, S::CommaList),
        section("[CSVFileHead]", c.CSVFileHead, S::WholeLines),
        section("[XAxisString]", c.XAxisString, S::CommaList),
        section("[YAxisString]", c.YAxisString, S::CommaList),
        section("[Other]", c.Other, S::CommaList),
        section("[Info]", c.Info, S::CountedLines),
        section("[SyncStatus]", c.SyncStatus, S::OptionalLines),
    };
}

QString DecodeCatalog(const QByteArray& bytes)
{
    if (const auto bom = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*bom, QStringConverter::Flag::Stateless);
        return decoder.decode(bytes);
    }
    QStringDecoder system(QStringConverter::System, QStringConverter::Flag::Stateless);
    const QString text = system.decode(bytes);
    if (!system.hasError())
        return text;
    // Not valid in the system encoding (UTF-8 here): most likely a catalog translated on Windows, whose
    // ANSI code page for Western languages is 1252.
    QStringDecoder windows("windows-1252", QStringConverter::Flag::Stateless);
    if (windows.isValid())
        return windows.decode(bytes);
    return QString::fromLatin1(bytes);
}

std::vector<QStringView> SplitLines(const QString& text)
{
    std::vector<QStringView> lines;
    const QChar* const data = text.constData();
    const qsizetype size = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const QChar ch = data[i];
        if (ch != u'\r' && ch != u'\n')
            continue;
        lines.emplace_back(data + start, i - start);
        if (ch == u'\r' && i + 1 < size && data[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.emplace_back(data + start, size - start);
    return lines;
}

// The [Info] count as written; a text that is no number counts as 0, as does a negative one. Digits too
// many for any file saturate, so the count is then reported as beyond the lines present.
qint64 ParseCount(QStringView text)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    if (ok)
        return std::max<qint64>(n, 0);
    QStringView digits = text.trimmed();
    if (digits.startsWith(u'+'))
        digits = digits.mid(1);
    const bool allDigits = !digits.isEmpty()
        && std::all_of(digits.begin(), digits.end(), [](QChar ch) { return ch >= u'0' && ch <= u'9'; });
    return allDigits ? std::numeric_limits<qint64>::max() : 0;
}

QString Shortened(QStringView text)
{
    constexpr int Shown = 24;
    return text.size() <= Shown ? text.toString() : text.left(Shown).toString() + QStringLiteral("...");
}

} // namespace

QByteArray DefaultCatalogBytes()
{
    return QByteArray(DefaultCatalogText, int(sizeof DefaultCatalogText) - 1);
}

TSoftInfo DefaultCatalog()
{
    static const TSoftInfo defaults = [] {
        TSoftInfo catalog;
        ReadCatalogText(catalog, DefaultCatalogBytes(), QStringLiteral("built-in catalog"));
        return catalog;
    }();
    return defaults;
}

QString NextListItem(QString& working)
{
    const qsizetype comma = working.indexOf(u',');
    if (comma < 0)
        return working;
    QString item = working.left(comma);
    working.remove(0, comma + 1);
    return item;
}

bool WriteDefaultCatalog(const QString& dataDir, QString* errorText)
{
    const QString path = QDir(dataDir).filePath(QString::fromLatin1(CatalogFileName));
    QString why;
    if (WriteFileAtomically(path, DefaultCatalogBytes(), &why))
        return true;
    if (errorText)
        *errorText = QStringLiteral("Cannot write the text catalog %1: %2").arg(QDir::toNativeSeparators(path), why);
    return false;
}

CatalogLoadResult ReadCatalogText(TSoftInfo& catalog, const QByteArray& bytes, const QString& fileName)
{
    const QString text = DecodeCatalog(bytes);
    const std::vector<QStringView> lines = SplitLines(text);
    const qint64 lineCount = qint64(lines.size());

    TSoftInfo loaded = catalog;
    for (const Section& s : SectionsOf(loaded)) {
        const QString header = QString::fromLatin1(s.header);
        const auto found = std::find_if(lines.begin(), lines.end(), [&](QStringView line) {
            return line.compare(header, Qt::CaseInsensitive) == 0;
        });
        if (found == lines.end())
            continue;
        const qint64 at = found - lines.begin(); // 0-based index of the header line

        if (s.shape == SectionShape::OptionalLines) {
            // Added after the catalog's first release: a catalog may hold some of its lines or none.
            for (int i = 0; i < s.size && at + 1 + i < lineCount; ++i) {
                const QStringView line = lines[size_t(at + 1 + i)];
                if (line.startsWith(u'['))
                    break;
                s.texts[i] = line.toString();
            }
            continue;
        }
        qint64 needed = 1;
        if (s.shape == SectionShape::WholeLines)
            needed = s.size;
        else if (s.shape == SectionShape::CommaListThen)
            needed = 1 + (s.size - s.listPositions);
        if (at + needed >= lineCount) {
            return {false,
                    QStringLiteral("The text catalog %1 is damaged: section %2 at line %3 needs %4 line(s) after "
                                   "its header, but the file ends at line %5.")
                        .arg(fileName, header)
                        .arg(at + 1)
                        .arg(needed)
                        .arg(lineCount)};
        }

        switch (s.shape) {
        case SectionShape::WholeLines:
            for (int i = 0; i < s.size; ++i)
                s.texts[i] = lines[size_t(at + 1 + i)].toString();
            break;
        case SectionShape::CommaList:
        case SectionShape::CommaListThen: {
            QString working = lines[size_t(at + 1)].toString();
            const int listed = s.shape == SectionShape::CommaList ? s.size : s.listPositions;
            for (int i = 0; i < listed; ++i)
                s.texts[i] = NextListItem(working);
            for (int i = listed; i < s.size; ++i)
                s.texts[i] = lines[size_t(at + 2 + i - listed)].toString();
            break;
        }
        case SectionShape::OptionalLines: break;
        case SectionShape::CountedLines: {
            const QStringView countText = lines[size_t(at + 1)];
            const qint64 count = ParseCount(countText);
            const qint64 following = lineCount - (at + 2);
            if (count > following) {
                return {false,
                        QStringLiteral("The text catalog %1 is damaged: section %2 at line %3 announces %4 texts "
                                       "at line %5, but only %6 line(s) follow.")
                            .arg(fileName, header)
                            .arg(at + 1)
                            .arg(Shortened(countText))
                            .arg(at + 2)
                            .arg(following)};
            }
            // Lines for positions the catalog does not have are not kept.
            const qint64 stored = std::min<qint64>(count, s.size);
            for (qint64 i = 0; i < stored; ++i)
                s.texts[i] = lines[size_t(at + 2 + i)].toString();
            break;
        }
        }
    }
    catalog = loaded;
    return {};
}

CatalogLoadResult LoadCatalog(TSoftInfo& catalog, const QString& dataDir)
{
    const QString path = QDir(dataDir).filePath(QString::fromLatin1(CatalogFileName));

    if (!QFile::exists(path)) {
        QString error;
        if (!WriteDefaultCatalog(dataDir, &error))
            return {false, error};
    }
    return ReadCatalogFile(catalog, dataDir);
}

CatalogLoadResult ReadCatalogFile(TSoftInfo& catalog, const QString& dataDir)
{
    const QString path = QDir(dataDir).filePath(QString::fromLatin1(CatalogFileName));
    const QString shownPath = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.exists()) {
        catalog = DefaultCatalog();
        return {};
    }
    if (!file.open(QIODevice::ReadOnly))
        return {false, QStringLiteral("Cannot read the text catalog %1: %2").arg(shownPath, file.errorString())};
    // Read one byte past the limit, which tells a file that is too large. A regular file is read by its
    // size, so that the buffer is not the whole limit; size() says nothing for pipes and device files.
    const qint64 size = file.isSequential() || file.size() <= 0 ? MaxCatalogFileBytes : file.size();
    const QByteArray bytes = file.read(std::min(size, MaxCatalogFileBytes) + 1);
    if (file.error() != QFileDevice::NoError)
        return {false, QStringLiteral("Cannot read the text catalog %1: %2").arg(shownPath, file.errorString())};
    if (bytes.size() > MaxCatalogFileBytes) {
        return {false, QStringLiteral("The text catalog %1 is too large: a catalog holds at most %2 bytes.")
                           .arg(shownPath)
                           .arg(MaxCatalogFileBytes)};
    }
    return ReadCatalogText(catalog, bytes, shownPath);
}
