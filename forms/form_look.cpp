#include "forms/form_look.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace {
const char* const FormTypeface = "DejaVu Sans";
}

void ApplyFormLook(QWidget* root)
{
    const auto widgets = root->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        const QVariant px = w->property("pixelFont");
        if (px.isValid()) {
            QFont font(QString::fromLatin1(FormTypeface));
            font.setPixelSize(px.toInt());
            const QVariant stretch = w->property("fontStretch");
            if (stretch.isValid())
                font.setStretch(stretch.toInt());
            w->setFont(font);
        }
        const QVariant color = w->property("textColor");
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (color.isValid())
                SetTextColor(label, QColor(color.toString()));
            label->setAttribute(Qt::WA_TranslucentBackground);
            label->setAutoFillBackground(false);
            label->setMargin(0);
            label->setIndent(0);
            if (!label->text().isEmpty())
                label->adjustSize();
        }
    }
}

void SetTextColor(QLabel* label, const QColor& color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

QColor TextColor(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

void SetAutoSizedText(QLabel* label, const QString& text)
{
    label->setText(text);
    label->adjustSize();
}
