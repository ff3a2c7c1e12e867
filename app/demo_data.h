#pragma once

#include <QDate>
#include <QString>

// A data directory for demonstrations and screenshots: two metric profiles ("Alex" first) and, for
// Alex, about six weeks of plausible days that end eight days before today, so that the pedometer's
// own eight days join them without a question. The same today gives the same files.
bool WriteDemoData(const QString& dataDir, const QDate& today, QString* errorText = nullptr);

// Name of the demo's first profile.
inline const char* const DemoUserName = "Alex";
