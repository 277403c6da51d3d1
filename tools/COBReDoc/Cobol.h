#pragma once
// The COBOL analyser's model: the source read into tokens (copybooks
// expanded), the programs parsed from them, and what the reports need.

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace Cobol {

// ---- Tokens ------------------------------------------------------------------

enum class Tok : unsigned char { Word, Literal, Picture, Period, LParen, RParen, Op, PseudoText, Colon };

struct Token
{
    Tok kind = Tok::Word;
    bool fromCopy = false;  // expanded from a copybook: its place is the COPY statement's line
    int line = 0;           // line in the analysed source, 1-based
    QString text;           // words upper-cased; literals with their quotes
    bool is(const char *word) const { return kind == Tok::Word && text == QLatin1String(word); }
};

// Rules in this analyser's own order (1-based); the entries of a definition
// file such as "Rules.COB85" are mapped to them by their wording.
enum Rule {
    RuleGoTo = 1,
    RuleAlter,
    RuleFallThrough,
    RulePerformThru,
    RuleNoWhenOther,
    RuleDeadParagraph,
    RuleStatementLimit,
    RuleNestingLimit,
    RuleParameterLimit,
    RuleUnbalancedScope,
    RuleMissingCopybook,
    RuleRecursiveCopybook,
    RuleNotCobol,
    RuleNextSentence,
    RuleComplexityLimit,
    RuleNestedIf,
    RuleStopRunInSubprogram,
    RuleLiteralComparison,
    RuleUninitialised,
    RuleCount = RuleUninitialised
};
enum class Severity { Problem, Defi, Warning };
Severity severityOf(int rule);
QString ruleText(int rule);      // "01 GO TO statement used"
// Input faults: reported whatever the job ticks, since the results of the
// source depend on them.
bool isInputRule(int rule);

struct Violation
{
    int rule = 0;
    int firstLine = 0;
    int lastLine = 0;
    QString detail;
};

// ---- Source reading ----------------------------------------------------------

struct LineCounts
{
    int lines = 0;
    int code = 0;
    int comment = 0;
};

// Finds a copybook by its name (and library, may be empty): the file's path
// or empty.
using CopyResolver = std::function<QString(const QString &name, const QString &library)>;
// Called every few thousand tokens; may throw to stop the run.
using Checkpoint = std::function<void()>;

struct SourceText
{
    std::vector<Token> tokens;       // copybooks expanded
    LineCounts counts;               // of the source itself
    int copybookLines = 0;           // lines read from copybooks (each inclusion)
    QStringList copybooks;           // names expanded, in order of first use
    std::vector<Violation> problems; // missing or recursive copybooks
    bool freeFormat = false;
    int garbage = 0;                 // characters no COBOL token can hold
};

// Lines of a file as read from disk into a token list (no COPY expansion).
struct FileTokens
{
    std::vector<Token> tokens;
    LineCounts counts;
    bool freeFormat = false;
    int garbage = 0;
};
FileTokens tokenize(const QString &text);

// Reads and caches copybooks across sources of a run.
class CopyLibrary
{
public:
    explicit CopyLibrary(CopyResolver resolver) : m_resolver(std::move(resolver)) {}
    // The tokens of a copybook file, or nullptr when it cannot be read.
    const FileTokens *load(const QString &path);
    QString resolve(const QString &name, const QString &library) const;

private:
    CopyResolver m_resolver;
    QHash<QString, FileTokens> m_cache;
    QHash<QString, bool> m_failed;
};

SourceText readSource(const QString &text, CopyLibrary &library, const Checkpoint &checkpoint = {});

// ---- Parsed programs ---------------------------------------------------------

enum class DataSection { File, Working, Local, Linkage, Other };

struct DataItem
{
    int level = 0;
    QString name;          // "FILLER" for unnamed items
    QString picture;
    QString usage;         // upper-cased usage word, empty for DISPLAY
    int occurs = 0;        // 0: one item; else the (largest) count
    bool dependingOn = false;
    QString redefines;
    QString declaration;   // the clauses as written, shortened
    int line = 0;
    bool fromCopy = false;
    DataSection section = DataSection::Working;
    int parent = -1;       // index of the group it belongs to
    bool hasChildren = false;
    bool hasValue = false; // a VALUE clause
    bool shared = false;   // EXTERNAL or GLOBAL: other programs may store into it
};

struct ProcRef
{
    QString target;
    QString thru;
    int line = 0;
};

struct Decision
{
    int depth = 0;
    int line = 0;
    QString keyword;
    QString text;
};

struct Paragraph
{
    QString name;
    bool isSection = false;
    int section = -1;            // index of the section paragraph it lies in
    int line = 0;
    int lastLine = 0;
    int statements = 0;
    bool declaratives = false;
    bool endReachable = true;    // its last statement does not leave it
    std::vector<ProcRef> performs;
    std::vector<ProcRef> gotos;
    std::vector<ProcRef> calls;  // CALL and EXEC CICS LINK/XCTL targets
    QStringList inputs, predicates, outputs;
    std::vector<Decision> decisions;
    QStringList references;      // other procedure references (SORT procedures, ALTER, CICS labels)
};

struct Parameter
{
    QString name;
    QString direction;   // IN, INOUT, RETURN
};

struct EntryPoint
{
    QString name;
    int line = 0;
    std::vector<Parameter> params;
};

struct Program
{
    QString name;
    int line = 0;
    int endLine = 0;
    int nesting = 0;           // 0 for an outermost program
    bool hasProcedure = false;
    bool cics = false;
    bool sql = false;
    bool dli = false;
    std::vector<DataItem> data;
    std::vector<EntryPoint> entries;   // the program itself first, then ENTRY statements
    std::vector<Paragraph> paragraphs; // index 0: the statements before the first paragraph, when any
    int statements = 0;
    int decisions = 0;         // cyclomatic complexity minus one
    int maxNesting = 0;
    std::vector<Violation> violations;
    QStringList usedData;      // data names referenced in the procedure division, in order
    QHash<QString, QList<int>> uses;   // upper-cased data name -> lines
    QHash<QString, int> firstRead;     // data name -> first line it is read (a sending operand)
    QSet<QString> received;            // data names some statement may store into
    QStringList selectedFiles;         // SELECT names of FILE-CONTROL
    QStringList describedFiles;        // FD names
};

struct ParseResult
{
    std::vector<Program> programs;
    std::vector<Violation> problems;   // source-level faults (scopes, truncation, not COBOL)
    bool looksLikeCobol = false;
    bool copybookLike = false;         // data entries or statements without a program
    bool proceduralOutside = false;    // statements or a PROCEDURE DIVISION without a program
    int dataItems = 0;                 // data entries outside any program (copybooks)
};

ParseResult parse(const std::vector<Token> &tokens, const Checkpoint &checkpoint = {});

// Control flow rules on a parsed program: fall-through, dead paragraphs.
void checkFlow(Program &program);
// Numeric working data read while no statement ever stores into it.
void checkInitialisation(Program &program);
// The distinct files a program accesses: its SELECTs, else its FDs.
int filesAccessed(const Program &program);

// ---- Interface ---------------------------------------------------------------

// A PICTURE and USAGE as an export's data type.
struct TypeInfo
{
    QString dataType;   // CHAR, NUMERIC, PACKED, BINARY, FLOAT, HEX, GROUP
    int length = -1;
    int decimals = -1;
};
TypeInfo typeOf(const DataItem &item);

// The CSV export rows (tools/CSV-FORMAT.md) of an outermost program.
QStringList exportLines(const Program &program, const QString &systemName, const QString &sourceName);

} // namespace Cobol
