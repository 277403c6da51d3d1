#pragma once
// A shell job with its source list, staging and renaming over a temporary
// folder: "src" holds the source tree, "out" the output directory, "tools"
// the tool root. The settings file is written from the lines given.

#include "InputStaging.h"
#include "ResultRenaming.h"
#include "ShellJob.h"
#include "ShellKinds.h"
#include "ShellSettings.h"
#include "SourceStructure.h"

#include "Errors.h"
#include "TextFile.h"
#include "TestFiles.h"
#include "core/TestReporter.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

struct TStagingFixture
{
    QTemporaryDir dir;
    TTestReporter reporter;
    std::unique_ptr<TShellSettings> settings;
    std::unique_ptr<TShellJob> job;
    std::unique_ptr<TShellSourceList> sources;
    std::unique_ptr<TShellStaging> staging;
    std::unique_ptr<TResultRenaming> renaming;

    QString path(const QString &relative) const { return dir.path() + QLatin1Char('/') + relative; }
    QString src(const QString &relative = QString()) const
    {
        return relative.isEmpty() ? path(QStringLiteral("src")) : path(QStringLiteral("src/") + relative);
    }
    QString out() const { return path(QStringLiteral("out")); }
    QString input() const { return out() + QStringLiteral("/workinp"); }

    // program "Mireth" is kind 3; depth is the language's DirDepth.
    void make(int depth = 2, const QStringList &extraSettings = {}, const QString &program = QStringLiteral("Mireth"))
    {
        const Ostrin::TAnalTypeConstants row = Ostrin::SelectApplicationKind(program, 0);
        QDir().mkpath(path(QStringLiteral("bin")));
        QDir().mkpath(path(QStringLiteral("tools")));
        QDir().mkpath(out());
        const QString ini = row.IniFileName.isEmpty() ? program + QStringLiteral(".INI") : row.IniFileName;
        TextFile::writeLines(path(QStringLiteral("bin/")) + ini,
                             QStringList{QStringLiteral("; staging test")} + extraSettings);
        settings = std::make_unique<TShellSettings>(&reporter, path(QStringLiteral("bin/")) + program, row);
        settings->SetToolRoot(path(QStringLiteral("tools")));
        settings->LoadSettingsText();
        settings->ApplySettings(false);
        job = std::make_unique<TShellJob>(*settings, &reporter);
        job->SetMaxDirDepth(depth);
        job->SetLanguageCode(QStringLiteral("COB"));
        job->SetLanguageVersion(QStringLiteral("C85"));
        job->SetProductName(QStringLiteral("PROD"));
        job->SetSystemName(QStringLiteral("SYS"));
        job->SetVersion(QStringLiteral("1.0"));
        job->SetOutputDirectory(out());
        sources = std::make_unique<TShellSourceList>(*job, &reporter);
        sources->SetLanguageFilter(QStringLiteral("COBOL programs|*.cbl;*.cob|Java|*.java|Documents|*.pdf;*.doc"));
        staging = std::make_unique<TShellStaging>(*job, *sources, &reporter);
        TLanguageConfiguration config;
        config.DirDepth = depth;
        staging->SetConfiguration(config);
        TRunOptions options;
        options.AnalyserProgram = path(QStringLiteral("tools/COBReDoc/COBReDoc"));
        staging->SetOptions(options);
        renaming = std::make_unique<TResultRenaming>(*job, *staging, &reporter);
    }

    // Writes each source (relative to "src") and adds it to the list.
    void addSources(const QStringList &relative, const QByteArray &content = "       IDENTIFICATION DIVISION.\r\n")
    {
        QStringList files;
        for (const QString &r : relative) {
            writeBytes(src(r), content);
            files << src(r);
        }
        sources->AddFiles(files);
    }

    // Runs a command; false when it ended by an error (EAbort).
    template <typename F>
    bool run(F &&f)
    {
        try {
            f();
            return true;
        } catch (const EAbort &) {
            return false;
        }
    }
};
