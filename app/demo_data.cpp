#include "app/demo_data.h"

#include "platform/atomic_file.h"
#include "profiles/user_list.h"
#include "store/activity_file.h"
#include "today/date_texts.h"

#include <QDir>

#include <cstdint>

namespace {
constexpr int DemoDays = 42;
constexpr int PedometerDays = 8;
}

bool WriteDemoData(const QString& dataDir, const QDate& today, QString* errorText)
{
    QDir().mkpath(dataDir);
    const QString dir = dataDir.endsWith(QLatin1Char('/')) ? dataDir : dataDir + QLatin1Char('/');
    // Name, gender, age, height, weight, step length, target, metric, clock set.
    const ClientList clients = {{QString::fromLatin1(DemoUserName), 2, 34, 178, 65, 70, 10000, 1, 1},
                                {QStringLiteral("Maria"), 1, 29, 165, 58, 64, 10000, 1, 1}};
    if (!SaveUserList(dir + QString::fromLatin1(UserListFileName), clients, errorText))
        return false;

    DayRecordList days;
    uint32_t noise = 20240501u;
    for (int back = DemoDays + PedometerDays - 1; back >= PedometerDays; --back) {
        const QDate date = today.addDays(-back);
        noise = noise * 1103515245u + 12345u;
        const bool weekend = date.dayOfWeek() >= 6;
        const uint32_t steps = (weekend ? 4000u : 7000u) + (noise >> 16) % 9000u;
        TBINFile r;
        r.Date = DateKey(date);
        r.Steps = steps;
        r.Distance = steps * 70u / 1000u; // hundredths of a km at 70 cm a step
        r.Calories = steps * 2u / 5u;     // tenths of a kcal
        r.WalkingTime = steps / 100u;
        r.CardioSteps = steps / 3u;
        r.CardioTime = steps / 300u;
        r.TargetSteps = 10000;
        days.push_back(r);
    }
    const QString activity = ActivityFilePath(dir, QString::fromLatin1(DemoUserName));
    return WriteFileAtomically(activity, DayRecordsToBytes(days), errorText);
}
