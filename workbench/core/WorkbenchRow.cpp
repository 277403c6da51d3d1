#include "WorkbenchRow.h"

#include "SharedRoutinesCommon.h"

const TAnalTypeConstants &QuenbarRow()
{
    // Paths are kept in their stored form; callers build native paths from them.
    static const TAnalTypeConstants row{
        0,
        QStringLiteral("Quenbar"),
        QStringLiteral("Quenbar main shell"),
        QStringLiteral("Tools"),
        QStringLiteral("\\Maintain\\Quenbar"),
        QStringLiteral("WSDL"),
        QStringLiteral("KT Quenbar Job Definition"),
        QStringLiteral(".jQuenbar"),
        QStringLiteral("..\\_Quenbar.Src\\Quenbar.INI"),
        QString(),
    };
    return row;
}

TAnalTypeConstants TakeOverRow(const QString &programBaseName)
{
    if (SameText(programBaseName, QuenbarRow().AppName))
        return QuenbarRow();
    return TAnalTypeConstants{};
}
