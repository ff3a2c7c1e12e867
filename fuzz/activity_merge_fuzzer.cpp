// The activity file as any bytes, loaded with LoadDayRecords, then merged with MergeDownload against a
// pedometer memory taken from the input, the override questions answered from the input too.
//
// Input: 100 bytes of raw pedometer memory (decoded as a download decodes it), one byte of answers (bit
// k answers the k-th question), one byte of flags (below), two bytes little-endian: today as days after
// 1 January 2000; the rest is the activity file.

#include "catalog/catalog_file.h"
#include "fuzz/fuzz_support.h"
#include "store/activity_file.h"
#include "store/date_key.h"
#include "store/merge.h"
#include "tests/support/scripted_prompts.h"

#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

constexpr size_t HeaderSize = MemoryImageSize + 4;

enum FileState { FilePresent, FileMissing, DirectoryInstead };

struct Input {
    MemoryImage image{};
    uint8_t answers = 0;
    FileState state = FilePresent;
    bool downloadComplete = true;
    bool reportSuccess = false;
    bool connected = false;
    QDate today;
    QByteArray file;
};

Input Parse(const uint8_t* data, size_t size)
{
    uint8_t header[HeaderSize] = {};
    std::memcpy(header, data, std::min(size, HeaderSize));
    Input in;
    std::array<uint8_t, MemoryImageSize> raw{};
    std::memcpy(raw.data(), header, MemoryImageSize);
    in.image = DecodeMemory(raw);
    in.answers = header[100];
    const uint8_t flags = header[101];
    const int state = flags & 3;
    in.state = state == 1 ? FileMissing : state == 2 ? DirectoryInstead : FilePresent;
    in.downloadComplete = !(flags & 4);
    in.reportSuccess = flags & 8;
    in.connected = flags & 16;
    in.today = QDate(2000, 1, 1).addDays(header[102] | header[103] << 8);
    if (size > HeaderSize)
        in.file = QByteArray(reinterpret_cast<const char*>(data + HeaderSize), qsizetype(size - HeaderSize));
    return in;
}

// What the caller held before: a failed load or a refused merge must leave exactly this.
DayRecordList Earlier()
{
    TBINFile r;
    r.Date = 19990101;
    r.Steps = 4321;
    return {r};
}

bool SameFigures(const TBINFile& r, const DayBlockValues& v)
{
    return r.Steps == v.Steps && r.Calories == v.Calories && r.Distance == v.Distance && r.WalkingTime == v.WalkingTime;
}

bool SameExceptFigures(const TBINFile& a, const TBINFile& b)
{
    return a.Date == b.Date && a.CardioSteps == b.CardioSteps && a.CardioTime == b.CardioTime;
}

int Questions(const ScriptedPrompts& prompts)
{
    int n = 0;
    for (const auto& s : prompts.shown())
        n += s.question ? 1 : 0;
    return n;
}

// LoadDayRecords on the file alone: every record read, the figures as stored.
DayRecordList CheckLoad(const Input& in, const QString& path, const TSoftInfo& catalog)
{
    const QString dir = ScratchDir();
    const DirSnapshot before = SnapshotDir(dir);
    ScriptedPrompts prompts;
    DayRecordList records = Earlier();
    const bool ok = LoadDayRecords(path, records, catalog, prompts);
    FUZZ_CHECK(SnapshotDir(dir) == before);
    if (in.state != FilePresent) {
        FUZZ_CHECK(!ok && records == Earlier());
        // A missing file is no error; anything else in its place is reported.
        FUZZ_CHECK(prompts.shown().size() == (in.state == FileMissing ? 0 : 1));
        return records;
    }
    FUZZ_CHECK(ok && prompts.shown().isEmpty());
    const DayRecordList stored = DayRecordsFromBytes(in.file);
    FUZZ_CHECK(records.size() == size_t(in.file.size() / DayRecordSize));
    for (size_t i = 0; i < records.size(); ++i) {
        const TBINFile& r = records[i];
        const TBINFile& s = stored[i];
        FUZZ_CHECK(SameExceptFigures(r, s) && r.Steps == s.Steps && r.Distance == s.Distance
                   && r.Calories == s.Calories && r.WalkingTime == s.WalkingTime);
        // Only a day with steps and no target of its own is given one.
        FUZZ_CHECK(r.TargetSteps == s.TargetSteps || (s.TargetSteps == 0 && s.Steps != 0));
    }
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const TSoftInfo catalog = DefaultCatalog();
    const Input in = Parse(data, size);
    const QString dir = ScratchDir();
    ClearDir(dir);
    const QString path = ActivityFilePath(dir, QStringLiteral("Anna"));
    if (in.state == FilePresent)
        FUZZ_CHECK(WriteFileBytes(path, in.file));
    else if (in.state == DirectoryInstead)
        FUZZ_CHECK(QDir().mkdir(path));

    const DayRecordList loaded = CheckLoad(in, path, catalog);

    const DirSnapshot before = SnapshotDir(dir);
    ScriptedPrompts prompts;
    QList<bool> answers;
    for (int k = 0; k < DaysInMemory; ++k)
        answers.append((in.answers >> k) & 1);
    prompts.queueAnswers(answers);
    DayRecordList records = Earlier();
    const MergeOutcome outcome = MergeDownload(in.image, in.downloadComplete, in.today, path, records,
                                               in.reportSuccess, in.connected, catalog, prompts);

    if (!in.downloadComplete || in.state != FilePresent) {
        // Nothing loaded, merged or written.
        FUZZ_CHECK(outcome == (in.downloadComplete ? MergeOutcome::NoRecords : MergeOutcome::NotComplete));
        FUZZ_CHECK(SnapshotDir(dir) == before);
        FUZZ_CHECK(records == Earlier());
        FUZZ_CHECK(Questions(prompts) == 0);
        return 0;
    }

    FUZZ_CHECK(outcome == MergeOutcome::Saved);
    QFile saved(path);
    FUZZ_CHECK(saved.open(QIODevice::ReadOnly) && saved.readAll() == DayRecordsToBytes(records));

    // The eight days, as the merge must have treated them: appended when missing, overwritten only on
    // a Yes to a question that was asked because the day differs and its block holds data.
    const uint32_t deviceTarget = DecodeProfileValues(in.image).TargetSteps;
    int asked = 0;
    size_t appended = 0;
    std::vector<bool> touched(loaded.size(), false);
    for (int i = 0; i < DaysInMemory; ++i) {
        const uint32_t key = DateKey(in.today.addDays(-i));
        const DayBlockValues block = DecodeDayBlock(in.image, i);
        const auto at = FindDayRecord(records, key);
        FUZZ_CHECK(at.has_value());
        const TBINFile& r = records[*at];
        if (*at >= loaded.size()) {
            FUZZ_CHECK(*at == loaded.size() + appended);
            ++appended;
            FUZZ_CHECK(SameFigures(r, block) && r.CardioSteps == 0 && r.CardioTime == 0);
            FUZZ_CHECK(r.TargetSteps == (i == 0 ? deviceTarget : 0));
            continue;
        }
        const TBINFile& old = loaded[*at];
        touched[*at] = true;
        FUZZ_CHECK(SameExceptFigures(r, old));
        FUZZ_CHECK(r.TargetSteps == (i == 0 ? deviceTarget : old.TargetSteps));
        const DayBlockValues oldFigures{old.Steps, old.Calories, old.Distance, old.WalkingTime};
        bool takeBlock = false;
        if (!(oldFigures == block) && BlockHasData(in.image, DayBlockOffset(i)))
            takeBlock = (in.answers >> asked++) & 1;
        FUZZ_CHECK(SameFigures(r, takeBlock ? block : oldFigures));
    }
    FUZZ_CHECK(Questions(prompts) == asked);
    FUZZ_CHECK(records.size() == loaded.size() + appended);
    for (size_t j = 0; j < loaded.size(); ++j) {
        if (!touched[j])
            FUZZ_CHECK(records[j] == loaded[j]);
    }
    const bool successShown = !prompts.shown().isEmpty() && !prompts.shown().last().question;
    FUZZ_CHECK(successShown == (in.reportSuccess && in.connected));
    return 0;
}
