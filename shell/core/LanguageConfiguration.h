#pragma once
// The per-language configuration of the shell as data: what the settings
// text's code + ".Extras", ".SearchKeys", ".Captions" and "WordScan.ObjectTypes"
// entries switch on and off for the current language and kind. The window
// applies the result to its pages, pickers, check boxes and actions; caption
// overrides go through TCaptionMemory, which undoes the previous language's.

#include <QList>
#include <QString>
#include <QStringList>

class IReporter;
class TShellSettings;

struct TCaptionOverride
{
    QString Action;    // the action's name
    bool Hide = false; // value "*"
    QString Caption;   // the new caption otherwise
};

enum class TStatisticMode { None, Defects, Changes, TimeSheets };

struct TLanguageConfiguration
{
    // ---- The ".Extras" items, in the order they are applied ----
    int DirDepth = 2;
    bool AnalysisParametersPage = true;   // "Analpar"
    bool RulesPage = true;                // with its picker and list
    bool MaxValuesPage = true;            // and the limits picker
    bool MetricsPage = true;
    bool SpecsPage = true;
    bool FunctabPage = true;
    QString Procpgm;
    bool ConvertExportFiles = false;      // "Transf": the action and the converter picker
    bool PreScanner = false;              // "Scan": the action and the word scanner picker
    QString ScanProg;
    bool TextTags = false;
    QString DictionaryFiles;              // the item as written
    QString DictionaryBase;               // resolved below the tool root, empty without the item
    bool DictionaryMode = false;
    QString TstDesignProg;
    bool TestDesign = false;              // "Start test design" and its picker
    QString TstSpecTemplate;
    bool TestSpecification = false;       // "Create Test Specificaton" and its picker (kinds 5, 6)
    QString SearchProg;
    bool Search = false;                  // "Search", the search group and its picker
    bool NounsPage = false;               // "ObjectsEdit"
    bool ExtrasGroup = true;
    bool CommentsOn = true;
    bool AuditOn = true;
    bool Calc = false;
    bool Exports = true;
    bool InstruPar = false;               // "Labels", "Branches", "Calls", "Macros", "IOs"
    bool CavothPost = false;              // the test-documentation post-processing selections
    bool CommonRootRow = true;            // hidden with post-processing
    QString ExtraScreen;

    // ---- What follows from them ----
    // Modular structure levels of the depth; 99 is name-by-directory.
    bool ComponentLevel() const { return DirDepth == 2 || DirDepth == 3; }
    bool ModuleLevel() const { return DirDepth >= 1 && DirDepth <= 3; }
    bool SourceLevel() const { return DirDepth >= 0 && DirDepth <= 3; }
    bool NameByDirectoryDepth() const { return DirDepth == 99; }

    bool FileListAcceptsDrops = true;     // kind 7 with post-processing: no
    bool SelectionToggles = true;         // the toggle, reverse and select-all actions
    bool ProduceTestProfile = false;      // "TSP"
    bool ProduceTestTrace = false;        // "TST"
    bool ProduceTestCoverage = false;     // "TSC"
    bool ProduceTestMetric = false;       // "TSM"
    bool ProduceTestCaseRelations = false;   // "CTA"

    // Kind-dependent actions ("Start Analysis" always).
    bool OpenDeficiencyReports = false;
    bool OpenSpecificationListings = false;
    bool ViewEditTestCases = false;
    bool ShowMetrics = false;
    bool XmlEditor = false;
    bool CompoundMetrics = false;
    bool RankModules = false;
    bool RankDeficiencies = false;
    bool NameByDirectoryAction = false;   // other kinds switch name-by-directory off

    TStatisticMode StatisticMode = TStatisticMode::None;   // kind 8, from the document type code
    bool PelmarCategory = false;          // visible and enabled
    bool DefectStatisticReport = false;
    bool SpecRanking = false;             // kind 8's ranking action

    bool WordListCategory = false;        // and the "Edit word list" page

    // Search types (names) and their keys (values), when "Search" is visible.
    QStringList SearchTypes;
    QStringList SearchKeys;

    QList<TCaptionOverride> CaptionOverrides;
    // Both control word type lists; the first is selected.
    QStringList ControlWordTypes;
};

// Reads the configuration of language code for kind into config, step by
// step: a failing step (a bad boolean, a missing or non-numeric "DirDepth",
// missing dictionary files) raises with the steps before it filled in.
void ReadLanguageConfiguration(const TShellSettings &settings, IReporter *reporter, const QString &code, int kind,
                               TLanguageConfiguration &config);

// The caption and visibility of the window's actions, as the overrides need them.
class IActionCaptions
{
public:
    virtual ~IActionCaptions() = default;
    virtual bool HasAction(const QString &name) const = 0;
    virtual QString Caption(const QString &name) const = 0;
    virtual void SetCaption(const QString &name, const QString &caption) = 0;
    virtual bool Visible(const QString &name) const = 0;
    virtual void SetVisible(const QString &name, bool visible) = 0;
};

// Remembers what the current language's overrides replaced, so the next
// language starts from the window's own captions and visibility.
class TCaptionMemory
{
public:
    // Undoes the remembered overrides, then applies these.
    void Apply(const QList<TCaptionOverride> &overrides, IActionCaptions &actions);
    void Undo(IActionCaptions &actions);

private:
    // Action name = its caption, or "*Y" / "*N" for its visibility.
    QStringList m_remembered;
};

// The overrides of a ".Captions" value: its parenthesised text, commas as
// line breaks, double quotes removed, read as Name=Value lines.
QList<TCaptionOverride> ParseCaptionOverrides(const QString &value);
