#include "export/csv_export.h"

#include "platform/atomic_file.h"

#include <QDir>
#include <QStringEncoder>

#include <algorithm>

namespace {

// Decimals come from integer digits, never from floating point: 876 hundredths give "8.76".
QString FixedPoint(uint32_t value, uint32_t scale)
{
    const uint32_t whole = value / scale;
    const uint32_t fraction = value % scale;
    const int digits = scale == 100 ? 2 : 1;
    return QString::number(whole) + u'.' + QString::number(fraction).rightJustified(digits, u'0');
}

QString RecordLine(const TBINFile& r)
{
    return QString::number(r.Date) + u',' + QString::number(r.Steps) + u',' + QString::number(r.TargetSteps) + u','
        + FixedPoint(r.Distance, 100) + u',' + FixedPoint(r.Calories, 10) + u',' + QString::number(r.WalkingTime)
        + u',';
}

} // namespace

QByteArray CsvExportBytes(const DayRecordList& records, const TSoftInfo& catalog, bool deviceMetric)
{
    const QString unit = deviceMetric ? catalog.Units[7] : catalog.Units[8];
    QString text = catalog.CSVFileHead[0] + unit + catalog.CSVFileHead[1] + QStringLiteral("\r\n");
    for (const TBINFile& record : records)
        text += RecordLine(record) + QStringLiteral("\r\n");
    QStringEncoder encoder(QStringConverter::System);
    return encoder.encode(text);
}

bool ExportCsv(const QString& path, DayRecordList& records, const TSoftInfo& catalog, bool deviceMetric,
               QString* errorText)
{
    std::stable_sort(records.begin(), records.end(),
                     [](const TBINFile& a, const TBINFile& b) { return a.Date < b.Date; });
    QString why;
    if (WriteFileAtomically(path, CsvExportBytes(records, catalog, deviceMetric), &why))
        return true;
    if (errorText)
        *errorText = QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), why);
    return false;
}
