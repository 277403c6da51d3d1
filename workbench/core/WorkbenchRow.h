#pragma once
// The workbench's constant row: which program this is, its captions, its
// tool folders, its job file header and extension, its settings files.

#include <QString>

struct TAnalTypeConstants
{
    int KindNumber = 0;
    QString AppName;
    QString AppCaption;
    QString ToolsFolder;
    QString InstallSubPath;
    QString ProgramSuffix;
    QString JobHeader;
    QString JobExtension;
    QString DevIniPath;
    QString IniFileName;   // empty: program base name + ".INI"
};

// The workbench row as declared.
const TAnalTypeConstants &QuenbarRow();

// The row taken over by a program of this base name (without extension):
// the workbench row when the name is "Quenbar" (any case), else an empty row.
TAnalTypeConstants TakeOverRow(const QString &programBaseName);
