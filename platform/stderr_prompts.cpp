#include "platform/stderr_prompts.h"

#include <QRegularExpression>
#include <QStringList>

#include <cstdio>

void StderrPrompts::showMessage(const QString& caption, const QString& text, int /*flags*/)
{
    // A box's own line breaks become " / ", so that a reader of the output counts one line per box.
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineBreak);
    while (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    // One write per box, so that lines from two threads never interleave.
    const QByteArray line
        = (prefix_ + QLatin1Char('[') + caption + QStringLiteral("] ") + lines.join(QStringLiteral(" / "))).toLocal8Bit()
        + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

bool StderrPrompts::askYesNo(const QString& caption, const QString& text, int flags)
{
    showMessage(caption, text, flags);
    return false;
}

bool StderrPrompts::showMessageWithAction(const QString& caption, const QString& text, int flags,
                                          const QString& /*actionText*/)
{
    showMessage(caption, text, flags);
    return false;
}
