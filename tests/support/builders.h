#pragma once

#include "catalog/soft_info.h"
#include "profiles/client.h"
#include "store/day_record.h"

#include <csignal>
#include <sys/resource.h>

// The catalog texts the store and the user list show, as the default Step.ini has them.
inline TSoftInfo StoreTestCatalog()
{
    TSoftInfo c;
    c.SoftName = { QStringLiteral("Kinetrax"), QStringLiteral("V1.0") };
    c.Info[11] = QStringLiteral("Open file error !     ");
    c.Info[12] = QStringLiteral("Synchronization OK!   ");
    c.Info[20] = QStringLiteral("New data exists. Would you like to override current daily data?");
    c.Info[21] = QStringLiteral("Data exists for Day");
    c.Info[22] = QStringLiteral(" ,would you like to override?");
    c.Units[6] = QStringLiteral("step");
    c.Units[7] = QStringLiteral("km");
    c.Units[8] = QStringLiteral("mile");
    c.Units[9] = QStringLiteral("Kcal");
    return c;
}

// One day record; distance in hundredths, calories in tenths, times in minutes.
inline TBINFile Day(uint32_t date, uint32_t steps, uint32_t target = 0, uint32_t distance = 0,
                    uint32_t calories = 0, uint32_t minutes = 0, uint32_t cardioSteps = 0, uint32_t cardioTime = 0)
{
    TBINFile r;
    r.Date = date;
    r.Steps = steps;
    r.Distance = distance;
    r.Calories = calories;
    r.WalkingTime = minutes;
    r.CardioSteps = cardioSteps;
    r.CardioTime = cardioTime;
    r.TargetSteps = target;
    return r;
}

// One profile, its fields in the list file's order.
inline TClient Client(const QString& name, int gender, int age, int height, int weight, int steplength,
                      uint32_t target, int metric, int timeSync)
{
    TClient c;
    c.Name = name;
    c.Gender = uint8_t(gender);
    c.Age = uint8_t(age);
    c.Height = uint16_t(height);
    c.Weight = uint16_t(weight);
    c.Steplength = uint16_t(steplength);
    c.TargetSteps = target;
    c.Metric = uint8_t(metric);
    c.TimeSync = uint8_t(timeSync);
    return c;
}

// A metric profile with the pedometer's default step length (70 cm), weight (65 kg) and target.
inline TClient MetricClient(const QString& name)
{
    return Client(name, 0, 0, 0, 65, 70, 10000, 1, 1);
}

// While alive, writes beyond a few bytes fail the way they do on a full disk, even for root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit tiny = old_;
        tiny.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &tiny);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
};
