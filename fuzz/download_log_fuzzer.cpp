// A user's download log after any damage: LoadDownloadLog on any bytes as the file, an append to it, and
// the day status of the log with a few records around a today taken from the input.
//
// Input: bytes 0-1 today as days after 10 December 2024 (signed, little-endian); byte 2 a record count
// n; then n days of records, 2 bytes each, as days after today (signed); the rest is the log file.

#include "fuzz/fuzz_support.h"
#include "store/date_key.h"
#include "store/day_status.h"
#include "store/download_log.h"

#include <cstddef>
#include <cstdint>

namespace {

int16_t Int16At(const uint8_t* data)
{
    return int16_t(uint16_t(data[0] | (data[1] << 8)));
}

void CheckEntries(const std::vector<DownloadLogEntry>& entries)
{
    for (const DownloadLogEntry& e : entries) {
        FUZZ_CHECK(e.When.isValid() && e.When.timeSpec() != Qt::LocalTime);
        // Every entry read is written as one line that reads back as the same entry.
        const QByteArray line = DownloadLogLine(e);
        const std::vector<DownloadLogEntry> back = DownloadLogFromBytes(line + "\r\n");
        FUZZ_CHECK(back.size() == 1 && back[0] == e);
    }
}

void CheckStatus(const DayRecordList& records, const std::vector<DownloadLogEntry>& log, const QDate& today)
{
    const DayStatusIndex index(records, log, today);
    const SyncOutlook& o = index.Outlook();
    FUZZ_CHECK(o.Downloaded == (o.LastDownloadDate.isValid()));
    if (!o.Downloaded) {
        FUZZ_CHECK(o.DaysLeft == 0 && o.LostDays == 0);
        return;
    }
    FUZZ_CHECK(o.LastDownloadDate <= today);
    FUZZ_CHECK(o.DaysLeft >= 0 && o.DaysLeft <= DaysInMemory);
    FUZZ_CHECK(o.SaveBy == o.FirstDayAtRisk.addDays(DaysInMemory - 1));
    FUZZ_CHECK(today.daysTo(o.SaveBy) == o.DaysLeft);
    FUZZ_CHECK(o.LostDays >= 0);
    if (o.LostDays > 0) {
        FUZZ_CHECK(o.FirstLost <= o.LastLost && o.LastLost < today.addDays(-(DaysInMemory - 1)));
        FUZZ_CHECK(index.StatusOf(o.FirstLost) == DayStatus::Lost && index.StatusOf(o.LastLost) == DayStatus::Lost);
        FUZZ_CHECK(index.LostDaysIn(o.FirstLost, o.LastLost) == o.LostDays);
    }
    // A day is recorded exactly when a record has it; nothing after today is missing.
    for (int i = -40; i <= 3; ++i) {
        const QDate d = today.addDays(i);
        const DayStatus s = index.StatusOf(d);
        FUZZ_CHECK((s == DayStatus::Recorded) == FindDayRecord(records, DateKey(d)).has_value());
        if (i > 0)
            FUZZ_CHECK(s == DayStatus::Recorded || s == DayStatus::None);
        if (i >= -(DaysInMemory - 1) && i <= 0)
            FUZZ_CHECK(s == DayStatus::Recorded || s == DayStatus::OnPedometer || s == DayStatus::None);
        FUZZ_CHECK(index.LostDaysIn(d, d) == (s == DayStatus::Lost ? 1 : 0));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const QDate today = QDate(2024, 12, 10).addDays(Int16At(data));
    size_t n = data[2];
    size_t at = 3;
    DayRecordList records;
    for (; n > 0 && at + 2 <= size; --n, at += 2) {
        TBINFile r;
        r.Date = DateKey(today.addDays(Int16At(data + at)));
        records.push_back(r);
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data + at), qsizetype(size - at));

    // Reading never writes, and reads the bytes as the file holds them.
    const QString dir = ScratchDir();
    ClearDir(dir);
    const QString path = DownloadLogPath(dir, QStringLiteral("Anna"));
    FUZZ_CHECK(WriteFileBytes(path, bytes));
    const DirSnapshot before = SnapshotDir(dir);
    const std::vector<DownloadLogEntry> log = LoadDownloadLog(path);
    FUZZ_CHECK(SnapshotDir(dir) == before);
    FUZZ_CHECK(log == DownloadLogFromBytes(bytes));
    CheckEntries(log);
    CheckStatus(records, log, today);

    // An append keeps the newest valid lines and adds the new one last.
    DownloadLogEntry added;
    added.When = QDateTime(today, QTime(12, 0), Qt::OffsetFromUTC, 3600);
    added.Image[0] = uint8_t(size);
    FUZZ_CHECK(AppendDownloadLog(path, added));
    const std::vector<DownloadLogEntry> after = LoadDownloadLog(path);
    const size_t kept = std::min(log.size(), size_t(MaxDownloadLogLines - 1));
    FUZZ_CHECK(after.size() == kept + 1 && after.back() == added);
    FUZZ_CHECK(std::equal(after.begin(), after.end() - 1, log.end() - qsizetype(kept)));
    return 0;
}
