#pragma once
// One analyser run: reads "last.xml", analyses every staged source and
// writes metrics, deficiency reports, specification listings, interface
// exports and the product log below the output directory.

#include "Cobol.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace Cobol {

enum ExitCode {
    ExitOk = 0,
    ExitSourcesFailed = 1,     // some sources could not be analysed (or a result not written)
    ExitBadArguments = 2,
    ExitBadParameterFile = 3,  // missing, unreadable or malformed
    ExitCancelled = 4,         // "Semaphore.xml" appeared
};

// The metrics of the definition file "Metrics.COB85", in its order.
struct MetricDef
{
    const char *code;
    const char *description;
    int group;   // 0 size, 1 complexity, 2 quality
};
const std::vector<MetricDef> &metricDefinitions();
// The specification lists of "Specs.COB85", in its order.
QStringList specDefinitions();

// The job's choices. The shell ticks rules, metrics and specifications in
// the lists of the language's definition files; when those files are known
// (loadDefinitions) each entry is mapped to what this analyser computes,
// otherwise the lists count in this analyser's own order.
struct Settings
{
    std::vector<int> weights;    // per metric entry, 0..3; missing ones count 1
    std::vector<bool> rules;     // per rule entry; missing ones are ticked
    std::vector<bool> specs;     // per specification entry
    bool audit = true;
    bool exports = true;
    QHash<QString, int> limits;  // MAXSTMT, MAXNEST, MAXPARM, MAXCYCL

    bool definitions = false;    // the entries below come from definition files
    std::vector<int> metricOf;   // per metric entry: index in metricDefinitions(), or -1
    std::vector<int> ruleOf;     // per rule entry: Rule, or 0
    std::vector<int> specOf;     // per specification entry: list type 1..5, or 0
    QStringList ruleNames;       // the rule entries as the definition file names them

    int weight(size_t metric) const;
    bool rule(int r) const;
    bool spec(int type) const;
    QString ruleName(int r) const;
    int limit(const char *key, int fallback) const { return limits.value(QLatin1String(key), fallback); }
};

// Reads "Rules.*", "Metrics.*" and "Specs.*" of the first folder that has
// them and maps their entries; false when none is found.
bool loadDefinitions(Settings &settings, const QStringList &folders);
// The mapping of definition lines alone (the first four characters of a
// metrics line are its code).
void mapDefinitions(Settings &settings, const QStringList &rules, const QStringList &metrics, const QStringList &specs);

struct Metrics
{
    int sources = 0;
    int lines = 0, code = 0, comment = 0;
    int programs = 0, statements = 0, paragraphs = 0, dataItems = 0;
    int files = 0;   // distinct files each program accesses, summed
    int cyclomatic = 0, nesting = 0, fanCall = 0, fanPerform = 0;
    int gotos = 0, alters = 0;
    int major = 0, medium = 0, minor = 0;
    int dataPoints = 0, funcPoints = 0;
    // Normalised to 0..1.
    double commenting = 1, structuredness = 1, modularity = 1, conformity = 1;
    double complexity = 0, quality = 1;
    // Raw metric value of a definition by index.
    double value(size_t metric) const;
    void add(const Metrics &other);
    void finish(const Settings &settings);   // the normalised values from the counts
};

struct PlacedViolation
{
    Violation v;
    QString program;
    QString ruleName;
};

struct SourceAnalysis
{
    QStringList sourceLines;
    ParseResult parsed;
    std::vector<PlacedViolation> violations;   // ticked rules only, in line order
    Metrics metrics;
    QStringList copybooks;
    bool copybook = false;     // a copybook, not a program
    bool failed = false;       // not analysable: binary, not COBOL
    QString problem;           // what was wrong, for the log
};

// The analysis of one source text.
SourceAnalysis analyseSource(const QString &text, CopyLibrary &library, const Settings &settings,
                             bool copybookName, const Checkpoint &checkpoint = {});

// Report texts (lines without line ends).
QStringList metricsLines(const Metrics &m, const Settings &settings, const QString &title);
QStringList defiLines(const SourceAnalysis &a, const QString &sourceName);
QStringList specLines(const SourceAnalysis &a, int listType, const QString &sourceName, const QString &date);
QStringList summaryXml(const Metrics &m, const QString &product, const QString &system, const QString &date);

// The staged job as "last.xml" gives it.
struct JobFile
{
    QString number;
    QString orig;     // source path relative to the system folder, "\" as written
    QString staged;   // relative to the input folder
};
struct JobParameters
{
    QString product, system, language, version;
    Settings settings;
    QString origInputDir, inputDir, outputDir;
    std::vector<JobFile> files;
};
// Raises EQuenbarError when the file is missing, unreadable or lacks names.
JobParameters readJobParameters(const QString &path);

// The whole program: arguments without the program name; the output
// directory is the parameter file's folder. The definition files are looked
// for in definitionFolders.
int runAnalyser(const QStringList &arguments, const QStringList &definitionFolders = {});

} // namespace Cobol
