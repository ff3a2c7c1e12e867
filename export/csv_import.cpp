#include "export/csv_import.h"

#include "catalog/catalog_file.h"
#include "store/activity_file.h"
#include "store/date_key.h"

#include <QBuffer>
#include <QHash>
#include <QStringEncoder>

#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr uint64_t MaxField = std::numeric_limits<uint32_t>::max();
constexpr qsizetype MaxImportedDays = MaxActivityFileBytes / DayRecordSize;

struct Header {
    QByteArray Bytes;
    bool Metric;
};

QByteArray HeaderBytes(const TSoftInfo& catalog, bool metric)
{
    QStringEncoder encoder(QStringConverter::System);
    return encoder.encode(catalog.CSVFileHead[0] + catalog.Units[metric ? 7 : 8] + catalog.CSVFileHead[1]);
}

// The catalog in use first: a translated catalog writes its own header, and an export made before it
// was translated has the built-in one.
std::vector<Header> KnownHeaders(const TSoftInfo& catalog, const TSoftInfo& builtIn)
{
    std::vector<Header> headers;
    for (const TSoftInfo* c : {&catalog, &builtIn}) {
        const QByteArray km = HeaderBytes(*c, true);
        const QByteArray mile = HeaderBytes(*c, false);
        // A catalog whose two unit texts are alike cannot tell the unit: its header proves nothing.
        if (km == mile)
            continue;
        headers.push_back({km, true});
        headers.push_back({mile, false});
    }
    return headers;
}

// A field as it may be shown on a terminal: printable ASCII kept, other bytes as \xNN.
QString Shown(const char* begin, const char* end)
{
    QString text;
    for (const char* p = begin; p != end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 0x20 && c < 0x7f)
            text += QLatin1Char(char(c));
        else
            text += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
    }
    return text;
}

// Digits, then optionally "." and 1 to maxDecimals digits; the value in units of 10^-maxDecimals, at
// most 32 bits. No sign, blank, grouping or exponent.
bool ParseFixed(const char* begin, const char* end, int maxDecimals, uint32_t& value)
{
    uint64_t v = 0;
    const char* p = begin;
    for (; p != end && *p >= '0' && *p <= '9'; ++p) {
        v = v * 10 + uint64_t(*p - '0');
        if (v > MaxField)
            return false;
    }
    if (p == begin)
        return false;
    int decimals = 0;
    if (p != end && *p == '.' && maxDecimals > 0) {
        ++p;
        for (; p != end && *p >= '0' && *p <= '9' && decimals < maxDecimals; ++p, ++decimals)
            v = v * 10 + uint64_t(*p - '0');
        if (decimals == 0)
            return false;
    }
    if (p != end)
        return false;
    for (; decimals < maxDecimals; ++decimals)
        v *= 10;
    if (v > MaxField)
        return false;
    value = uint32_t(v);
    return true;
}

struct Field {
    const char* Name;
    int Decimals;
    const char* Range;
};

const Field Fields[6] = {
    {"date", 0, nullptr},
    {"steps", 0, "a whole number from 0 to 4294967295"},
    {"target steps", 0, "a whole number from 0 to 4294967295"},
    {"distance", 2, "a number from 0 to 42949672.95 with at most 2 decimals"},
    {"calories", 1, "a number from 0 to 429496729.5 with at most 1 decimal"},
    {"walking time", 0, "a whole number of minutes from 0 to 4294967295"},
};

class Reader {
public:
    explicit Reader(const TSoftInfo& catalog) : builtIn_(DefaultCatalog()), headers_(KnownHeaders(catalog, builtIn_)) {}

    CsvImport read(QIODevice& input)
    {
        char buffer[MaxCsvImportLineBytes + 3];
        qint64 total = 0;
        int line = 0;
        int firstEmptyLine = 0;
        for (;;) {
            const qint64 n = input.readLine(buffer, sizeof buffer);
            if (n <= 0)
                break;
            ++line;
            total += n;
            const char* begin = buffer;
            const char* end = buffer + n;
            const bool ended = end[-1] == '\n';
            if (line == 1 && LooksUtf16(begin, end))
                return fail(line, QStringLiteral("the file is UTF-16 text, not the 8-bit text of a CSV export"));
            if (total > MaxCsvImportBytes)
                return fail(line, QStringLiteral("the file is larger than %1 MiB").arg(MaxCsvImportBytes >> 20));
            if (ended)
                --end;
            if (ended && end != begin && end[-1] == '\r')
                --end;
            if (end - begin > MaxCsvImportLineBytes)
                return fail(line, QStringLiteral("the line is longer than %1 bytes").arg(MaxCsvImportLineBytes));
            if (std::memchr(begin, 0, size_t(end - begin)))
                return fail(line, QStringLiteral("a NUL byte"));
            if (line == 1) {
                if (!readHeader(begin, end))
                    return result_;
                continue;
            }
            if (begin == end) {
                if (!firstEmptyLine)
                    firstEmptyLine = line;
                continue;
            }
            if (firstEmptyLine)
                return fail(firstEmptyLine, QStringLiteral("an empty line before more records"));
            if (!readRecord(line, begin, end))
                return result_;
        }
        if (line == 0)
            return fail(1, QStringLiteral("the file is empty: no header"));
        result_.Ok = true;
        return result_;
    }

private:
    static bool LooksUtf16(const char* begin, const char* end)
    {
        const auto* b = reinterpret_cast<const unsigned char*>(begin);
        if (end - begin >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF)))
            return true;
        return std::memchr(begin, 0, size_t(end - begin)) != nullptr;
    }

    CsvImport fail(int line, const QString& error)
    {
        result_.Ok = false;
        result_.Records.clear();
        result_.Line = line;
        result_.Error = error;
        return result_;
    }

    bool readHeader(const char* begin, const char* end)
    {
        if (end - begin >= 3 && std::memcmp(begin, "\xEF\xBB\xBF", 3) == 0)
            begin += 3;
        const QByteArray text = QByteArray::fromRawData(begin, end - begin);
        for (const Header& h : headers_) {
            if (text == h.Bytes) {
                result_.Metric = h.Metric;
                return true;
            }
        }
        const QString expected = builtIn_.CSVFileHead[0] + builtIn_.Units[7] + builtIn_.CSVFileHead[1];
        fail(1, QStringLiteral("not the header of a Kinetrax CSV export: expected \"%1\" (or with %2)")
                    .arg(expected, builtIn_.Units[8]));
        return false;
    }

    bool readRecord(int line, const char* begin, const char* end)
    {
        // Every value is followed by a comma; a spreadsheet may drop the last one.
        if (end[-1] == ',')
            --end;
        const char* starts[6];
        const char* ends[6];
        int count = 0;
        for (const char* p = begin;; ++p) {
            if (p == end || *p == ',') {
                if (count < 6) {
                    starts[count] = begin;
                    ends[count] = p;
                }
                ++count;
                begin = p + 1;
                if (p == end)
                    break;
            }
        }
        if (count != 6) {
            fail(line, QStringLiteral("%1 values where 6 are expected (date, steps, target steps, distance, "
                                      "calories, walking time)")
                           .arg(count));
            return false;
        }
        uint32_t values[6];
        for (int f = 0; f < 6; ++f) {
            if (!ParseFixed(starts[f], ends[f], Fields[f].Decimals, values[f])
                || (f == 0 && !DateFromKey(values[0]).isValid())) {
                const QString range = f == 0 ? QStringLiteral("a calendar date written YYYYMMDD")
                                             : QString::fromLatin1(Fields[f].Range);
                fail(line, QStringLiteral("%1 \"%2\" is not %3")
                               .arg(QString::fromLatin1(Fields[f].Name), Shown(starts[f], ends[f]), range));
                return false;
            }
        }
        const auto seen = lines_.constFind(values[0]);
        if (seen != lines_.constEnd()) {
            fail(line, QStringLiteral("the date %1 is on line %2 already").arg(values[0]).arg(*seen));
            return false;
        }
        if (qsizetype(result_.Records.size()) >= MaxImportedDays) {
            fail(line, QStringLiteral("more than %1 days, more than an activity file holds").arg(MaxImportedDays));
            return false;
        }
        lines_.insert(values[0], line);
        TBINFile r;
        r.Date = values[0];
        r.Steps = values[1];
        r.TargetSteps = values[2];
        r.Distance = values[3];
        r.Calories = values[4];
        r.WalkingTime = values[5];
        result_.Records.push_back(r);
        return true;
    }

    TSoftInfo builtIn_;
    std::vector<Header> headers_;
    QHash<uint32_t, int> lines_;
    CsvImport result_;
};

} // namespace

CsvImport ReadRecordsCsv(QIODevice& input, const TSoftInfo& catalog)
{
    return Reader(catalog).read(input);
}

CsvImport ReadRecordsCsv(const QByteArray& bytes, const TSoftInfo& catalog)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadRecordsCsv(buffer, catalog);
}
