#pragma once

#include "today/sync_texts.h"
#include "today/today_figures.h"

#include <QWidget>

#include <array>

class QLabel;

// Puts the TODAY texts into the TODAY panel's labels and the day panels, and places the labels that
// follow or centre on others. Labels size themselves to their text, so every width used here is that
// of the text in the label's font. Holds no state besides the controls.
class TodayView {
public:
    // todayPanel holds DayLabel, DaySuffixLabel, DateLabel and the figure labels (by objectName).
    explicit TodayView(QWidget* todayPanel);

    // The date line and every figure; slotPanels are the panels standing in slots 0-6.
    void show(const TodayTexts& texts, const std::array<QWidget*, DayPanelSlots>& slotPanels);

    // The line about the last download, in the free space below the target row (SyncStatusLabel, made
    // on first use): white, amber for a warning, red for a loss; hidden when the text is empty.
    void showSyncLine(const SyncLine& line);

    // One day panel: Tag 1 and 2 (the date, day centred) when withDate, then Tag 0, Tag 3 right after
    // Tag 0, and Tag 4 centred. Labels are the panel's direct QLabel children, told apart by "Tag".
    static void FillDayPanel(QWidget* panel, const DayPanelTexts& texts, bool withDate = true);

private:
    QLabel* label(const char* name) const;

    QWidget* panel_;
};
