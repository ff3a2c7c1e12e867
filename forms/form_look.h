#pragma once

#include <QString>

class QColor;
class QLabel;
class QWidget;

// Gives every descendant of root the look its form asks for through two dynamic properties:
// "pixelFont" (type size in pixels, in the forms' typeface), "fontStretch" (a QFont stretch, 75 for a
// condensed face where a caption must fit a narrow place) and "textColor" (a colour name for the text). Labels also become transparent and size themselves to their text.
void ApplyFormLook(QWidget* root);

// Text colour of a label, as the section highlight reads and writes it.
void SetTextColor(QLabel* label, const QColor& color);
QColor TextColor(const QLabel* label);

// Sets the text and resizes the label to it, as the forms' self-sizing labels do; the width is then
// that of the text in the label's font.
void SetAutoSizedText(QLabel* label, const QString& text);
