#include "store/activity_file.h"

#include "platform/atomic_file.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

namespace {

void ShowFileError(const QString& path, const TSoftInfo& catalog, Prompts& prompts)
{
    prompts.showMessage(catalog.applicationTitle(), catalog.Info[11] + QStringLiteral("\r\n") + path,
                        PromptFlags::Plain);
}

} // namespace

QString ActivityFilePath(const QString& dataDir, const QString& userName)
{
    return dataDir + userName + QStringLiteral(".bin");
}

QByteArray DayRecordsToBytes(const DayRecordList& records)
{
    QByteArray bytes(qsizetype(records.size()) * DayRecordSize, Qt::Uninitialized);
    uchar* out = reinterpret_cast<uchar*>(bytes.data());
    for (const TBINFile& r : records) {
        const uint32_t fields[8] = { r.Date,        r.Steps,       r.Distance,   r.Calories,
                                     r.WalkingTime, r.CardioSteps, r.CardioTime, r.TargetSteps };
        for (uint32_t f : fields) {
            qToLittleEndian<quint32>(f, out);
            out += 4;
        }
    }
    return bytes;
}

DayRecordList DayRecordsFromBytes(const QByteArray& bytes)
{
    const qsizetype count = bytes.size() / DayRecordSize;
    DayRecordList records;
    records.reserve(size_t(count));
    const uchar* in = reinterpret_cast<const uchar*>(bytes.constData());
    for (qsizetype i = 0; i < count; ++i, in += DayRecordSize) {
        TBINFile r;
        uint32_t* fields[8] = { &r.Date,        &r.Steps,       &r.Distance,   &r.Calories,
                                &r.WalkingTime, &r.CardioSteps, &r.CardioTime, &r.TargetSteps };
        for (int f = 0; f < 8; ++f)
            *fields[f] = qFromLittleEndian<quint32>(in + 4 * f);
        records.push_back(r);
    }
    return records;
}

void FillMissingTargets(DayRecordList& records)
{
    uint32_t carried = 0;
    for (TBINFile& r : records) {
        if (r.TargetSteps == 0 && r.Steps != 0)
            r.TargetSteps = carried;
        else
            carried = r.TargetSteps;
    }
}

bool LoadDayRecords(const QString& path, DayRecordList& records, const TSoftInfo& catalog, Prompts& prompts)
{
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    QFile file(path);
    // Only a regular file: opening a pipe or a device node could block or never end.
    if (!info.isFile() || !file.open(QIODevice::ReadOnly) || file.size() > MaxActivityFileBytes) {
        ShowFileError(path, catalog, prompts);
        return false;
    }
    // Read no more than the size checked above, even if the file grows meanwhile.
    const QByteArray bytes = file.read(file.size());
    if (file.error() != QFileDevice::NoError) {
        ShowFileError(path, catalog, prompts);
        return false;
    }
    records = DayRecordsFromBytes(bytes);
    FillMissingTargets(records);
    return true;
}

bool SaveDayRecords(const QString& path, const DayRecordList& records, const TSoftInfo& catalog, Prompts& prompts)
{
    if (!WriteFileAtomically(path, DayRecordsToBytes(records))) {
        ShowFileError(path, catalog, prompts);
        return false;
    }
    return true;
}
