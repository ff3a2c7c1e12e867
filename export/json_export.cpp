#include "export/json_export.h"

#include "store/date_key.h"

namespace {

void AppendNumber(QByteArray& out, uint32_t value)
{
    out += QByteArray::number(value);
}

// 876 hundredths give "8.76", as the CSV writes them.
void AppendFixedPoint(QByteArray& out, uint32_t value, uint32_t scale)
{
    AppendNumber(out, value / scale);
    out += '.';
    const QByteArray fraction = QByteArray::number(value % scale);
    out += (scale == 100 ? fraction.rightJustified(2, '0') : fraction);
}

void AppendDate(QByteArray& out, uint32_t key)
{
    const QDate date = DateFromKey(key);
    if (!date.isValid() || date.year() < 1 || date.year() > 9999) {
        out += "null";
        return;
    }
    out += '"';
    out += QByteArray::number(date.year()).rightJustified(4, '0');
    out += '-';
    out += QByteArray::number(date.month()).rightJustified(2, '0');
    out += '-';
    out += QByteArray::number(date.day()).rightJustified(2, '0');
    out += '"';
}

void AppendRecord(QByteArray& out, const TBINFile& r, const char* unit)
{
    out += "{\"date\":";
    AppendDate(out, r.Date);
    out += ",\"date_key\":";
    AppendNumber(out, r.Date);
    out += ",\"steps\":";
    AppendNumber(out, r.Steps);
    out += ",\"target_steps\":";
    AppendNumber(out, r.TargetSteps);
    out += ",\"distance\":";
    AppendFixedPoint(out, r.Distance, 100);
    out += ",\"distance_unit\":\"";
    out += unit;
    out += "\",\"calories\":";
    AppendFixedPoint(out, r.Calories, 10);
    out += ",\"walking_time\":";
    AppendNumber(out, r.WalkingTime);
    out += ",\"cardio_steps\":";
    AppendNumber(out, r.CardioSteps);
    out += ",\"cardio_time\":";
    AppendNumber(out, r.CardioTime);
    out += '}';
}

} // namespace

QByteArray JsonExportBytes(const DayRecordList& records, bool metric)
{
    if (records.empty())
        return QByteArrayLiteral("[]\n");
    const char* unit = metric ? "km" : "mile";
    QByteArray out;
    // About 200 bytes a record: one allocation for 20 years of days.
    out.reserve(qsizetype(records.size()) * 200 + 8);
    out += "[\n";
    for (std::size_t i = 0; i < records.size(); ++i) {
        AppendRecord(out, records[i], unit);
        out += i + 1 < records.size() ? ",\n" : "\n";
    }
    out += "]\n";
    return out;
}
