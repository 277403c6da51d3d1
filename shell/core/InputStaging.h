#pragma once
// Job preparation and input staging, and the parameter files the tools
// read, without any widget. TShellStaging checks the output directory,
// builds the name map (generated COMP####/MOD####/SRC#### names against
// the sources) with the long-extension map, stages the ticked sources into
// "workinp" (documents converted to text by PDF2TXT, line ends made CR LF,
// lines counted), writes "last.xml", the per-module "last####.xml" files and
// "lastbatch.cmd", and the export converter's parameter file. Only files
// below the output directory are ever written or deleted; sources are read.
//
// The window's part: the run options (extras ticks, run type, pickers) and
// the language configuration are handed in before a run; messages and
// questions go through the reporter, progress through OnProgress, and a
// stop request (the close request) through RequestStop.

#include "LanguageConfiguration.h"

#include <QString>
#include <QStringList>

#include <functional>

class IReporter;
class TShellJob;
class TShellSourceList;

// What the window's controls say for one run.
struct TRunOptions
{
    int RunType = 1;   // 1 analysis, 2 conversion, 3 pre-scanner, 4 test design, 5 test tools, 6 search
    // The extras check boxes (ticked); which are shown follows the configuration.
    bool Audit = true;
    bool Calc = false;
    bool Comments = true;
    bool Exports = true;
    bool Labels = false;
    bool Branches = false;
    bool Calls = false;
    bool Macros = false;
    bool IOs = false;
    QString TestDesignMode;    // run type 4: written as the language
    QString SearchKey;         // run type 6: the chosen search type's value
    QString SearchText;
    bool WordListPage = false; // "Edit word list" page visible
    QString FunctionTableFile; // the function table picker's file
    QString AnalyserProgram;   // the analyser picker's program
    QString HostTestCaseFile;  // kind 1: the host's test case file
};

class TShellStaging
{
public:
    // Not owned; all must outlive the staging.
    TShellStaging(TShellJob &job, TShellSourceList &sources, IReporter *reporter);

    void SetConfiguration(const TLanguageConfiguration &config) { m_config = config; }
    const TLanguageConfiguration &Configuration() const { return m_config; }
    void SetOptions(const TRunOptions &options) { m_options = options; }
    const TRunOptions &Options() const { return m_options; }

    // ---- Folders ---------------------------------------------------------------
    QString OutputDirectory() const;
    QString InputFolder() const;   // output directory + "/workinp"
    QString WorkFolder() const;    // output directory + "/work"
    // "Metrics", "Defis", "Requs", "Lunvis", "Dravik", "Specs", "Comments",
    // "Exports", "Cases", "Instru", "Tables".
    static QStringList ResultFolderNames();
    static QStringList PbWorkFolderNames();   // "ProcTabs" .. "StmtTabs"

    // ---- Steps ----------------------------------------------------------------------
    // The output directory edit's exit check; returns the directory as the
    // edit must show it (also stored in the job).
    QString CheckOutputDirectory();
    void ValidateForRun();
    // The name map, extension map, XML file entries and batch lines.
    void BuildNameMap();
    // The whole preparation; countOnly ("Count source lines") stops after staging.
    void PrepareJob(bool countOnly = false);
    // One source into the staging; false after a reported failure.
    bool CopyInput(const QString &source, const QString &target);

    // ---- Parameter files ---------------------------------------------------------------
    // The text of "last.xml" (runs ValidateForRun and BuildNameMap).
    QStringList WriteParameterText();
    const QStringList &ParameterText() const { return m_text; }
    // "last.xml" or the per-module files, and "lastbatch.cmd".
    void SaveParameterFiles();
    // The export converter's "last.xml"; fills the name map with the csx lines.
    void WriteConverterParameters();
    // Puts the converted ".csx" files in place of the exports they came from.
    void ApplyConvertedExports();
    const QStringList &BatchLines() const { return m_batch; }

    // ---- Results kept in the job (the renaming memos) ----------------------------------
    const QStringList &NameMap() const { return m_nameMap; }
    void SetNameMap(const QStringList &lines) { m_nameMap = lines; }
    const QStringList &ExtensionMap() const { return m_extMap; }
    void SetExtensionMap(const QStringList &lines) { m_extMap = lines; }
    // The staged name's extension of a source extension (".java" gives
    // ".JAV"), recording long ones in the extension map.
    QString MappedExtension(const QString &extension);

    int NumberOfSourceFiles() const { return m_sourceFiles; }
    int NumberOfModules() const { return m_modules; }
    int StagedFiles() const { return m_staged; }
    qint64 SourceLinesInJob() const { return m_lines; }
    // " Number of source lines(1,234)".
    QString SourceLinesText() const;

    void RequestStop() { m_stop = true; }

    // ---- Hooks ------------------------------------------------------------------------
    std::function<void(const QString &caption, qint64 position, qint64 maximum)> OnProgress;
    std::function<void(bool busy)> ShowBusy;
    // Part of the requirement text preprocessing, run on a staged text in place.
    std::function<void(const QString &path)> PrepareTaggedText;
    std::function<void(const QString &path)> MarkNouns;
    // Writes the word lists to the given "functab.wrl".
    std::function<void(const QString &path)> WriteWordList;
    // Runs a program in folder and waits for its end; false when it could
    // not be started. A blocking QProcess when not given.
    std::function<bool(const QString &program, const QStringList &arguments, const QString &folder)> RunProgram;
    // The stored source filter of a language code (the "WAA" sub-processors).
    std::function<QString(const QString &code)> FilterOfCode;

private:
    void progress(const QString &caption, qint64 position, qint64 maximum);
    void makeFolder(const QString &path);
    void stopPoint();
    void structureBuilder(bool folderBuilder);
    void flatBuilder();
    void addEntries(int moduleNo, int sourceNo, const QString &sourceRel, const QString &staged);
    void addBatchLine(bool firstOfModule, int moduleNo, int sourceNo, const QString &ext);
    QString subProcessor(const QString &ext) const;
    void buildSubProcessorMap();
    bool runProgram(const QString &program, const QStringList &arguments, const QString &folder);
    bool copyPlain(const QString &source, const QString &target);
    bool convertDocument(const QString &source, const QString &target, const QString &ext);
    void rewriteText(const QString &target);
    void writeFile(const QString &path, const QStringList &lines);
    QString analyserFolder() const;

    TShellJob &m_job;
    TShellSourceList &m_sources;
    IReporter *m_reporter;
    TLanguageConfiguration m_config;
    TRunOptions m_options;

    QStringList m_nameMap;
    QStringList m_extMap;
    QStringList m_fileEntries;
    QStringList m_batch;
    QStringList m_subProcessors;   // extension=sub-processor, sorted
    QStringList m_text;
    int m_sourceFiles = 0;
    int m_modules = 0;
    int m_staged = 0;
    qint64 m_lines = 0;
    bool m_countOnly = false;
    bool m_stop = false;
};
