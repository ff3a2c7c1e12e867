#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// One user profile. Height, Weight and Steplength are in the unit system named by Metric.
struct TClient {
    QString Name;
    uint8_t Gender = 0;      // 1 female, 2 male, anything else unknown
    uint8_t Age = 0;         // years
    uint16_t Height = 0;     // metric: centimetres; imperial: feet*100 + inches
    uint16_t Weight = 0;     // kg or lb
    uint16_t Steplength = 0; // cm or inch
    uint32_t TargetSteps = 0;
    uint8_t Metric = 0;      // 1 metric, 0 imperial
    uint8_t TimeSync = 0;    // 1 on

    bool operator==(const TClient& o) const
    {
        return Name == o.Name && Gender == o.Gender && Age == o.Age && Height == o.Height && Weight == o.Weight
            && Steplength == o.Steplength && TargetSteps == o.TargetSteps && Metric == o.Metric
            && TimeSync == o.TimeSync;
    }
};

constexpr int MaxClients = 8;
using ClientList = std::vector<TClient>;
