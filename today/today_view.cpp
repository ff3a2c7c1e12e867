#include "today/today_view.h"

#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QVariant>

namespace {
void SetText(QLabel* label, const QString& text)
{
    if (!label)
        return;
    label->setText(text);
    label->adjustSize();
}

// Left edge that centres the label in its panel; both halves truncate toward zero.
int CentredLeft(const QWidget* panel, const QLabel* label)
{
    return panel->width() / 2 - label->width() / 2;
}
}

void TodayView::showSyncLine(const SyncLine& line)
{
    QLabel* status = label("SyncStatusLabel");
    if (!status) {
        status = new QLabel(panel_);
        status->setObjectName(QStringLiteral("SyncStatusLabel"));
        // Below the target row and above the goal bar, two lines at most.
        status->setGeometry(34, 372, 460, 62);
        status->setWordWrap(true);
        status->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        QFont font = panel_->font();
        font.setPixelSize(18);
        status->setFont(font);
        status->setAttribute(Qt::WA_TranslucentBackground);
    }
    QColor color(Qt::white);
    switch (line.Tone) {
    case SyncLineTone::Plain: break;
    case SyncLineTone::Warning: color = QColor(0xFF, 0xBF, 0x3C); break;
    case SyncLineTone::Alarm: color = QColor(0xFF, 0x5C, 0x5C); break;
    }
    QPalette palette = status->palette();
    palette.setColor(QPalette::WindowText, color);
    status->setPalette(palette);
    status->setText(line.Text);
    status->setVisible(!line.Text.isEmpty());
}

TodayView::TodayView(QWidget* todayPanel)
    : panel_(todayPanel)
{
}

QLabel* TodayView::label(const char* name) const
{
    return panel_->findChild<QLabel*>(QString::fromLatin1(name));
}

void TodayView::show(const TodayTexts& texts, const std::array<QWidget*, DayPanelSlots>& slotPanels)
{
    QLabel* day = label("DayLabel");
    QLabel* suffix = label("DaySuffixLabel");
    QLabel* date = label("DateLabel");
    SetText(day, texts.DayText);
    SetText(suffix, texts.DaySuffix);
    SetText(date, texts.DateText);
    if (day && suffix && date) {
        suffix->move(day->x() + day->width(), suffix->y());
        date->move(suffix->x() + suffix->width(), date->y());
    }

    SetText(label("StepEdit"), texts.Steps);
    SetText(label("DistanceEdit"), texts.Distance);
    SetText(label("CaloriesEdit"), texts.Calories);
    SetText(label("WalkingTimeEdit"), texts.WalkingTime);
    SetText(label("TotalStepEdit"), texts.TotalSteps);
    SetText(label("TargetStepEdit"), texts.TargetSteps);
    SetText(label("TotalPanelTargetSteppercentumLabel"), texts.TargetPercent);
    SetText(label("ModerateStepsEdit"), texts.ModerateSteps);
    SetText(label("ModerateTimeEdit"), texts.ModerateTime);
    // A screen reader reads each figure with the caption beside it ("Step: 6,962"), in the catalog's
    // words, not as two unrelated labels.
    const char* const rows[][2] = {{"StepLabel", "StepEdit"},
                                   {"DistanceLabel", "DistanceEdit"},
                                   {"CalorieLabel", "CaloriesEdit"},
                                   {"WalkingTimeLabel", "WalkingTimeEdit"},
                                   {"TotalStepLabel", "TotalStepEdit"},
                                   {"TargetStepLabel", "TargetStepEdit"},
                                   {"ModerateStepsLabel", "ModerateStepsEdit"},
                                   {"ModerateTimeLabel", "ModerateTimeEdit"},
                                   {"TargetBarLabel", "TotalPanelTargetSteppercentumLabel"}};
    for (const auto& row : rows) {
        const QLabel* caption = label(row[0]);
        if (QLabel* figure = label(row[1]); caption && figure)
            figure->setAccessibleName(caption->text() + QStringLiteral(": ") + figure->text());
    }
    if (day && suffix && date)
        date->setAccessibleName(day->text() + suffix->text() + QLatin1Char(' ') + date->text());

    for (int k = 0; k < DayPanelSlots; ++k) {
        if (slotPanels[k])
            FillDayPanel(slotPanels[k], texts.Slots[k]);
    }
}

void TodayView::FillDayPanel(QWidget* panel, const DayPanelTexts& texts, bool withDate)
{
    int stepsRight = 0;
    const auto labels = panel->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    for (QLabel* l : labels) {
        switch (l->property("Tag").toInt()) {
        case 0:
            SetText(l, texts.Steps);
            stepsRight = l->x() + l->width();
            break;
        case 1:
            if (withDate)
                SetText(l, texts.MonthYear);
            break;
        case 2:
            if (withDate) {
                SetText(l, texts.Day);
                l->move(CentredLeft(panel, l), l->y());
            }
            break;
        case 3:
            SetText(l, texts.StepUnit);
            l->move(stepsRight, l->y());
            break;
        case 4:
            SetText(l, texts.Percent);
            l->move(CentredLeft(panel, l), l->y());
            break;
        default:
            break;
        }
    }
    // Read as one: "4 Jul 2010, 6,962 Step, 70%".
    QString shown[5];
    for (const QLabel* l : labels) {
        const int tag = l->property("Tag").toInt();
        if (tag >= 0 && tag < 5)
            shown[tag] = l->text().trimmed();
    }
    panel->setAccessibleName(shown[2] + QLatin1Char(' ') + shown[1] + QStringLiteral(", ") + shown[0]
                             + QLatin1Char(' ') + shown[3] + QStringLiteral(", ") + shown[4]);
}
