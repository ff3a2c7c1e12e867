#include "platform/stderr_prompts.h"

#include <cstdio>

void StderrPrompts::showMessage(const QString& caption, const QString& text, int /*flags*/)
{
    // One write per box, so that lines from two threads never interleave.
    const QByteArray line = (prefix_ + QLatin1Char('[') + caption + QStringLiteral("] ") + text).toLocal8Bit() + '\n';
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
