#pragma once
// A shell installation in a temporary folder: the program beside its
// settings file, a tool root with the analyser folders of the languages
// named, and the reporter the code under test reports to.

#include "ShellKinds.h"
#include "ShellSettings.h"
#include "TextFile.h"
#include "TestFiles.h"
#include "core/TestReporter.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

struct TShellFixture
{
    QTemporaryDir dir;
    TTestReporter reporter;
    std::unique_ptr<TShellSettings> settings;

    QString path(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }
    QString programPath() const { return path(QStringLiteral("bin/Quenbar")); }
    QString settingsPath() const { return path(QStringLiteral("bin/Quenbar_Mireth.INI")); }
    QString toolRoot() const { return path(QStringLiteral("tools")); }

    // The hosted re-documentation kind with lines as its settings file.
    TShellSettings &make(const QStringList &lines, const QStringList &analyserFolders = {})
    {
        QDir().mkpath(path(QStringLiteral("bin")));
        TextFile::writeLines(settingsPath(), lines);
        for (const QString &folder : analyserFolders)
            QDir().mkpath(toolRoot() + QLatin1Char('/') + folder);
        settings = std::make_unique<TShellSettings>(&reporter, programPath(),
                                                    Ostrin::SelectApplicationKind(QStringLiteral("Quenbar"), 3));
        settings->SetToolRoot(toolRoot());
        return *settings;
    }

    // The three buttons of the example settings file, on the programming-language page.
    static QList<TLanguageButton> exampleButtons()
    {
        return {{QStringLiteral("RadioButtonJava1")}, {QStringLiteral("RadioButtonCob85")},
                {QStringLiteral("RadioButtonPLI")}};
    }
};
