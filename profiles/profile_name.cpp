#include "profiles/profile_name.h"

#include <QFile>

namespace {
bool IsSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

QString SeparatorProblem()
{
    return QStringLiteral("The name must not contain / or \\.");
}

QString ControlProblem()
{
    return QStringLiteral("The name must not contain control characters.");
}
} // namespace

QString ProfileNameProblem(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("The name must not be empty or blank.");
    if (trimmed == QLatin1String(".") || trimmed == QLatin1String(".."))
        return QStringLiteral("\"%1\" cannot be used as a name.").arg(name);
    if (name.size() > MaxProfileNameLength)
        return QStringLiteral("The name is too long: at most %1 characters.").arg(MaxProfileNameLength);
    for (const QChar c : name) {
        if (IsSeparator(c))
            return SeparatorProblem();
        if (c == QLatin1Char(','))
            return QStringLiteral("The name must not contain a comma.");
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format
            || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return ControlProblem();
        if (QStringLiteral("<>:\"|?*").contains(c))
            return QStringLiteral("The name must not contain any of < > : \" | ? *.");
    }
    // Windows and many data sticks drop a trailing dot or blank, which would name another file.
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return QStringLiteral("The name must not end with a dot or a blank.");
    return QString();
}

QString ListedProfileNameProblem(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("The name must not be empty or blank.");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("\"%1\" cannot be used as a name.").arg(name);
    for (const QChar c : name) {
        if (IsSeparator(c))
            return SeparatorProblem();
        if (c.category() == QChar::Other_Control)
            return ControlProblem();
    }
    // ".bin" and ".csv" are equally long.
    if (QFile::encodeName(name + QStringLiteral(".bin")).size() > MaxFileNameBytes)
        return QStringLiteral("The name is too long for a file name.");
    return QString();
}

QString UnusableProfileText(const QString& name)
{
    const QString problem = ListedProfileNameProblem(name);
    if (problem.isEmpty())
        return QString();
    return QStringLiteral("The profile \"%1\" cannot be used. %2").arg(name, problem);
}
