#include "profiles/profile_name.h"

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
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return QStringLiteral("The name must not contain / or \\.");
        if (c == QLatin1Char(','))
            return QStringLiteral("The name must not contain a comma.");
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format
            || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return QStringLiteral("The name must not contain control characters.");
        if (QStringLiteral("<>:\"|?*").contains(c))
            return QStringLiteral("The name must not contain any of < > : \" | ? *.");
    }
    // Windows and many data sticks drop a trailing dot or blank, which would name another file.
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return QStringLiteral("The name must not end with a dot or a blank.");
    return QString();
}

QString UnusableProfileText(const QString& name)
{
    const QString problem = ProfileNameProblem(name);
    if (problem.isEmpty())
        return QString();
    return QStringLiteral("The profile \"%1\" cannot be used. %2").arg(name, problem);
}
