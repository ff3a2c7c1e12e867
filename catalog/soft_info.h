#pragma once

#include <QString>

#include <array>

// The text catalog: every text the program shows, by section and 0-based position, as read from
// Step.ini. Every text is empty until loaded; other modules only read it.
struct TSoftInfo {
    std::array<QString, 2> SoftName;
    std::array<QString, 4> TodayButton;
    std::array<QString, 4> RecordButton;
    std::array<QString, 5> UserButton;
    std::array<QString, 9> TodayPanel;
    std::array<QString, 6> RecordPanel;
    std::array<QString, 25> UserSetting;
    std::array<QString, 12> Units;
    std::array<QString, 12> Months;
    std::array<QString, 4> DaySuffix;
    std::array<QString, 8> NewInit1;
    std::array<QString, 4> NewInit2;
    std::array<QString, 2> CSVFileHead;
    std::array<QString, 4> XAxisString;
    std::array<QString, 1> YAxisString;
    std::array<QString, 3> Other;
    std::array<QString, 27> Info;
    // Optional: absent from the built-in Step.ini; an empty text means the built-in English one
    // (SyncStatusText in today/sync_texts.h).
    std::array<QString, 12> SyncStatus;

    // "Kinetrax V1.0": the application title and the caption of plain message boxes.
    QString applicationTitle() const { return SoftName[0] + ' ' + SoftName[1]; }
};
