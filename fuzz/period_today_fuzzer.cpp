// The RECORD views and the TODAY texts over any record list and any selected date: the bars a view
// shows for its period, each from the records of the days it covers, and texts that read back as the
// figures they show.
//
// Input: four bytes little-endian, the day offset from 4 July 2010 (any 32-bit value); one byte of
// flags (bit 0 metric, bit 1 records loaded, bit 2 an empty catalog, bit 3 the date of a record plus
// the offset's low byte as a signed number of days instead); one byte, the index of that record; three
// bytes, memory image bytes 20-22 (the device's step total); the rest, records as the activity file
// holds them.

#include "catalog/catalog_file.h"
#include "charts/period_view.h"
#include "fuzz/fuzz_support.h"
#include "store/activity_file.h"
#include "today/figure_texts.h"
#include "today/today_figures.h"

#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <unordered_map>

namespace {

constexpr size_t HeaderSize = 9;

// The first record of each calendar day, in list order: the one whose date key names exactly that day.
// Indexed once per input, since the checks look up every day of a year.
class FirstRecords {
public:
    explicit FirstRecords(const DayRecordList& records)
    {
        for (const TBINFile& r : records) {
            const QDate day(int(r.Date / 10000u), int(r.Date / 100u % 100u), int(r.Date % 100u));
            if (day.isValid())
                byDay_.emplace(day.toJulianDay(), &r); // keeps the first of a day
        }
    }
    const TBINFile* of(const QDate& date) const
    {
        const auto it = byDay_.find(date.toJulianDay());
        return it == byDay_.end() ? nullptr : it->second;
    }

private:
    std::unordered_map<qint64, const TBINFile*> byDay_;
};

// The keys the yearly view charts, each in the year it names: years 1 to 9999, the eight-digit keys.
bool InAYear(const TBINFile& r)
{
    return r.Date >= 10000u && r.Date <= 99999999u;
}

struct Figures {
    std::array<uint64_t, MeasureCount> v{};
    void add(const TBINFile& r)
    {
        v[MeasureSteps] += r.Steps;
        v[MeasureDistance] += r.Distance;
        v[MeasureCalories] += r.Calories;
        v[MeasureWalkingTime] += r.WalkingTime;
        v[MeasureCardioSteps] += r.CardioSteps;
        v[MeasureCardioTime] += r.CardioTime;
    }
};

// A bar shows its sum: distance in hundredths and calories in tenths, as units with decimals.
void CheckBar(const PeriodView& view, int bar, const Figures& f)
{
    for (int m = 0; m < MeasureCount; ++m) {
        const double scale = m == MeasureDistance ? 100.0 : m == MeasureCalories ? 10.0 : 1.0;
        FUZZ_CHECK(std::llround(view.Values[m][size_t(bar)] * scale) == (long long)f.v[m]);
    }
}

void CheckShape(const PeriodView& view, int bars, int firstLabel)
{
    FUZZ_CHECK(view.barCount() == bars);
    for (int m = 0; m < MeasureCount; ++m) {
        FUZZ_CHECK(view.Values[m].size() == size_t(bars));
        const double tallest = bars ? *std::max_element(view.Values[m].begin(), view.Values[m].end()) : 0.0;
        FUZZ_CHECK(view.AxisMaximum[m] > 0 && view.AxisMaximum[m] >= tallest);
    }
    // A yearly view has up to 9999 labels: compared without making a string for each.
    char digits[12];
    for (int i = 0; i < bars; ++i) {
        const auto end = std::to_chars(digits, digits + sizeof digits, firstLabel + i).ptr;
        FUZZ_CHECK(view.Labels[i] == QLatin1StringView(digits, end - digits));
    }
}

void CheckDaily(const DayRecordList& records, const FirstRecords& first, const QDate& selected)
{
    const PeriodView view = DailyView(records, selected);
    const int days = selected.daysInMonth();
    CheckShape(view, days, 1);
    FUZZ_CHECK(view.GridSpacing == 5);
    for (int i = 1; i <= days; ++i) {
        Figures f;
        if (const TBINFile* r = first.of(QDate(selected.year(), selected.month(), i)))
            f.add(*r);
        CheckBar(view, i - 1, f);
    }
    const TBINFile* day = first.of(selected);
    FUZZ_CHECK(view.HasTargetLine == (day != nullptr));
    if (day) {
        const double target = day->TargetSteps ? double(day->TargetSteps) : 1000.0;
        FUZZ_CHECK(view.hasDayTarget == (day->TargetSteps != 0));
        FUZZ_CHECK(view.TargetLineStart == QPointF(0, target) && view.TargetLineEnd == QPointF(days, target));
        FUZZ_CHECK(view.AxisMaximum[MeasureSteps] >= target + 1000);
    } else {
        FUZZ_CHECK(!view.hasDayTarget);
    }
}

void CheckWeeklyAndMonthly(const DayRecordList& records, const FirstRecords& firstRecords, const QDate& selected)
{
    const int year = selected.year();
    const QDate first(year, 1, 1);
    const int jan1 = first.dayOfWeek() % 7; // 0 = Sunday
    const bool saturdayLeap = QDate::isLeapYear(year) && jan1 == 6;

    std::vector<Figures> weeks(54), months(12);
    for (QDate d = first; d.isValid() && d.year() == year; d = d.addDays(1)) {
        const TBINFile* r = firstRecords.of(d);
        if (!r)
            continue;
        weeks[size_t((d.dayOfYear() - 1 + jan1) / 7)].add(*r);
        months[size_t(d.month() - 1)].add(*r);
    }

    const PeriodView weekly = WeeklyView(records, selected);
    CheckShape(weekly, saturdayLeap ? 54 : 53, 1);
    FUZZ_CHECK(weekly.GridSpacing == 5);
    for (int w = 0; w < weekly.barCount(); ++w)
        CheckBar(weekly, w, weeks[size_t(w)]);

    const PeriodView monthly = MonthlyView(records, selected);
    CheckShape(monthly, 12, 1);
    FUZZ_CHECK(monthly.GridSpacing == 1);
    for (int m = 0; m < 12; ++m)
        CheckBar(monthly, m, months[size_t(m)]);
}

void CheckYearly(const DayRecordList& records)
{
    DayRecordList sorted = records;
    const PeriodView view = YearlyView(sorted);

    // Sorted by date, stable, nothing lost.
    DayRecordList expected = records;
    std::stable_sort(expected.begin(), expected.end(), [](const TBINFile& a, const TBINFile& b) { return a.Date < b.Date; });
    FUZZ_CHECK(sorted == expected);

    std::map<int, Figures> years;
    for (const TBINFile& r : records) {
        if (InAYear(r))
            years[int(r.Date / 10000u)].add(r);
    }
    if (years.empty()) {
        CheckShape(view, 0, 0);
        return;
    }
    const int firstYear = years.begin()->first;
    const int lastYear = years.rbegin()->first;
    CheckShape(view, std::max(5, lastYear - firstYear + 1), firstYear);
    FUZZ_CHECK(view.GridSpacing == 1);
    for (int b = 0; b < view.barCount(); ++b) {
        const auto it = years.find(firstYear + b);
        CheckBar(view, b, it == years.end() ? Figures() : it->second);
    }
}

// "1,234,567": the figure's digits in groups of three.
void CheckGrouped(const QString& text, uint64_t value)
{
    static const QRegularExpression grouped(QStringLiteral("^\\d{1,3}(,\\d{3})*$"));
    FUZZ_CHECK(grouped.match(text).hasMatch());
    FUZZ_CHECK(QString(text).remove(QLatin1Char(',')) == QString::number(value));
}

// A figure with decimals, then its unit: the digits without "," and "." read back as the stored value.
void CheckDecimal(const QString& text, uint64_t stored, int decimals, const QString& unit)
{
    FUZZ_CHECK(text.endsWith(unit));
    const QString number = text.left(text.size() - unit.size());
    const qsizetype dot = number.lastIndexOf(QLatin1Char('.'));
    FUZZ_CHECK(dot >= 0 && number.size() - dot - 1 == decimals);
    const QString whole = number.left(dot);
    CheckGrouped(whole, stored / (decimals == 2 ? 100 : 10));
    FUZZ_CHECK(QString(whole + number.mid(dot + 1)).remove(QLatin1Char(',')).toULongLong() == stored);
}

void CheckPercent(const QString& text, uint32_t steps, uint32_t target)
{
    FUZZ_CHECK(text.endsWith(QLatin1Char('%')));
    bool ok = false;
    const int p = text.chopped(1).toInt(&ok);
    FUZZ_CHECK(ok);
    if (target == 0)
        FUZZ_CHECK(p == 0);
    else if (steps >= target)
        FUZZ_CHECK(p == 100);
    else if (steps == 0)
        FUZZ_CHECK(p == 0);
    else
        FUZZ_CHECK(p == std::max<int>(1, int(uint64_t(steps) * 100 / target)));
}

void CheckToday(const DayRecordList& records, const FirstRecords& first, bool loaded, const MemoryImage& image,
                const QDate& selected, bool metric, const TSoftInfo& catalog)
{
    const TodayTexts t = ComputeTodayTexts(records, loaded, image, selected, metric, catalog);
    FUZZ_CHECK(t.DayText == QString::number(selected.day()));
    FUZZ_CHECK(t.DateText == catalog.Months[size_t(selected.month() - 1)] + QLatin1Char(' ') + QString::number(selected.year()));

    const TBINFile none{};
    const TBINFile* found = loaded ? first.of(selected) : nullptr;
    const TBINFile& r = found ? *found : none;
    CheckGrouped(t.Steps, r.Steps);
    CheckGrouped(t.TargetSteps, r.TargetSteps);
    CheckPercent(t.TargetPercent, r.Steps, r.TargetSteps);
    CheckDecimal(t.Distance, r.Distance, 2, catalog.Units[metric ? 7 : 8]);
    CheckDecimal(t.Calories, r.Calories, 1, catalog.Units[9]);
    FUZZ_CHECK(t.WalkingTime.endsWith(catalog.Units[10]));
    CheckGrouped(t.WalkingTime.chopped(catalog.Units[10].size()), r.WalkingTime);
    CheckGrouped(t.ModerateSteps, r.CardioSteps);
    CheckGrouped(t.ModerateTime.chopped(catalog.Units[10].size()), r.CardioTime);
    const uint64_t total = uint64_t(image[22] % 10) * 10000 + uint64_t(image[21]) * 100 + image[20];
    CheckGrouped(t.TotalSteps, loaded ? total : 0);

    for (int k = 0; k < DayPanelSlots; ++k) {
        const DayPanelTexts& p = t.Slots[size_t(k)];
        FUZZ_CHECK(p.Date == selected.addDays(SelectedSlot - k));
        FUZZ_CHECK(p.Day == QString::number(p.Date.day()));
        FUZZ_CHECK(p.StepUnit == QLatin1Char(' ') + catalog.TodayPanel[0]);
        const TBINFile* day = loaded ? first.of(p.Date) : nullptr;
        CheckGrouped(p.Steps, day ? day->Steps : 0);
        if (day)
            CheckPercent(p.Percent, day->Steps, day->TargetSteps);
        else
            FUZZ_CHECK(p.Percent == QLatin1String("0%"));
    }
    FUZZ_CHECK(t.Slots[SelectedSlot].Steps == t.Steps && t.Slots[SelectedSlot].Percent == t.TargetPercent);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const TSoftInfo defaults = DefaultCatalog();
    static const TSoftInfo empty;
    uint8_t header[HeaderSize] = {};
    std::memcpy(header, data, std::min(size, HeaderSize));
    int32_t offset = 0;
    std::memcpy(&offset, header, 4); // little-endian machine
    const uint8_t flags = header[4];
    MemoryImage image{};
    image[20] = header[6], image[21] = header[7], image[22] = header[8];
    const DayRecordList records = size > HeaderSize
        ? DayRecordsFromBytes(QByteArray(reinterpret_cast<const char*>(data + HeaderSize), qsizetype(size - HeaderSize)))
        : DayRecordList();

    const QDate today(2010, 7, 4);
    QDate selected = today.addDays(offset);
    if ((flags & 8) && !records.empty()) {
        const TBINFile& r = records[header[5] % records.size()];
        const QDate day(int(r.Date / 10000u), int(r.Date / 100u % 100u), int(r.Date % 100u));
        if (day.isValid())
            selected = day.addDays(int8_t(offset & 0xFF));
    }
    if (!selected.isValid())
        return 0;

    const FirstRecords first(records);
    CheckDaily(records, first, selected);
    CheckWeeklyAndMonthly(records, first, selected);
    CheckYearly(records);
    CheckToday(records, first, flags & 2, image, selected, flags & 1, (flags & 4) ? empty : defaults);
    return 0;
}
