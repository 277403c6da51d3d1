// The analysis of one source and the texts of its results: metrics,
// deficiency report, specification listings and the XML metric summary.
#include "CobolRun.h"

#include "Errors.h"
#include "TextFile.h"

#include <QDir>

#include <QSet>

#include <algorithm>
#include <cmath>

namespace Cobol {

const std::vector<MetricDef> &metricDefinitions()
{
    static const std::vector<MetricDef> defs{
        {"LINE", "Number of source lines", 0},
        {"CODE", "Number of code lines", 0},
        {"COMM", "Number of comment lines", 0},
        {"STMT", "Number of statements", 0},
        {"PARA", "Number of paragraphs and sections", 0},
        {"DATA", "Number of data items declared", 0},
        {"CYCL", "Cyclomatic complexity", 1},
        {"NEST", "Maximal nesting depth", 1},
        {"FCAL", "Fan-out of CALL statements", 1},
        {"FPRF", "Fan-out of PERFORM statements", 1},
        {"CMTQ", "Degree of commenting", 2},
        {"STRQ", "Degree of structuredness", 2},
        {"MODQ", "Degree of modularity", 2},
        {"CONF", "Degree of conformity to the rules", 2},
        {"FILE", "Number of files accessed", 0},
    };
    return defs;
}

QStringList specDefinitions()
{
    return {QStringLiteral("Interface  Structure"), QStringLiteral("Procedural Structure"),
            QStringLiteral("Decisional Structure"), QStringLiteral("Data Flow  Structure"),
            QStringLiteral("Used Data  Structure")};
}

// ---- Definitions ------------------------------------------------------------

int Settings::weight(size_t metric) const
{
    if (!definitions)
        return metric < weights.size() ? weights[metric] : 1;
    int w = 0;
    for (size_t e = 0; e < metricOf.size(); ++e)
        if (metricOf[e] == int(metric))
            w = qMax(w, e < weights.size() ? weights[e] : 1);
    return w;
}

bool Settings::rule(int r) const
{
    if (isInputRule(r))
        return true;
    if (!definitions)
        return size_t(r - 1) >= rules.size() || rules[size_t(r - 1)];
    for (size_t e = 0; e < ruleOf.size(); ++e)
        if (ruleOf[e] == r && (e >= rules.size() || rules[e]))
            return true;
    return false;
}

bool Settings::spec(int type) const
{
    if (!definitions)
        return size_t(type - 1) >= specs.size() || specs[size_t(type - 1)];
    bool listed = false;
    for (size_t e = 0; e < specOf.size(); ++e)
        if (specOf[e] == type) {
            listed = true;
            if (e >= specs.size() || specs[e])
                return true;
        }
    // A list the definitions do not offer cannot be unticked.
    return !listed;
}

QString Settings::ruleName(int r) const
{
    if (definitions)
        for (size_t e = 0; e < ruleOf.size(); ++e)
            if (ruleOf[e] == r)
                return ruleNames.value(qsizetype(e));
    return ruleText(r);
}

namespace {

// Definition files: one entry per line, lines of at most one character dropped.
QStringList entries(const QStringList &lines)
{
    QStringList out;
    for (const QString &l : lines)
        if (l.size() > 1)
            out << l;
    return out;
}

int ruleFor(const QString &entry)
{
    const QString u = entry.toUpper();
    const auto has = [&](const char *w) { return u.contains(QLatin1String(w)); };
    if (has("GO TO") || has("GOTO"))
        return RuleGoTo;
    if (has("ALTER"))
        return RuleAlter;
    if (has("FALL"))
        return RuleFallThrough;
    if (has("THRU") || has("THROUGH"))
        return RulePerformThru;
    if (has("WHEN OTHER"))
        return RuleNoWhenOther;
    if (has("DEAD") || has("NEVER PERFORMED") || has("UNREACHABLE"))
        return RuleDeadParagraph;
    if (has("COPY") && (has("NOT FOUND") || has("MISSING")))
        return RuleMissingCopybook;
    if (has("COPY") && (has("ITSELF") || has("RECURSIVE")))
        return RuleRecursiveCopybook;
    if (has("UNBALANCED") || has("SCOPE TERMINATOR"))
        return RuleUnbalancedScope;
    if (has("NOT COBOL"))
        return RuleNotCobol;
    if (has("NEXT SENTENCE"))
        return RuleNextSentence;
    if (has("NESTED IF"))
        return RuleNestedIf;
    if (has("STOP RUN"))
        return RuleStopRunInSubprogram;
    if (has("LITERAL"))
        return RuleLiteralComparison;
    if (has("WITHOUT INITIALI") || has("UNINITIALI") || has("NOT INITIALI"))
        return RuleUninitialised;
    if (has("LIMIT") || has("MAXIMAL") || has("TOO MANY") || has("TOO DEEP")) {
        if (has("STATEMENT"))
            return RuleStatementLimit;
        if (has("NEST"))
            return RuleNestingLimit;
        if (has("PARAMETER"))
            return RuleParameterLimit;
        if (has("COMPLEXITY"))
            return RuleComplexityLimit;
    }
    return 0;
}

int metricFor(const QString &entry)
{
    static const QHash<QString, QString> aliases{{QStringLiteral("LOCS"), QStringLiteral("CODE")},
                                                 {QStringLiteral("CALL"), QStringLiteral("FCAL")},
                                                 {QStringLiteral("PERF"), QStringLiteral("FPRF")}};
    const QString code = entry.left(4).toUpper();
    const QString mine = aliases.value(code, code);
    const auto &defs = metricDefinitions();
    for (size_t k = 0; k < defs.size(); ++k)
        if (mine == QLatin1String(defs[k].code))
            return int(k);
    return -1;
}

int specFor(const QString &entry)
{
    const QString u = entry.toUpper();
    const auto has = [&](const char *w) { return u.contains(QLatin1String(w)); };
    if (has("INTERFACE") || has("LINK"))
        return 1;
    if (has("DECISION"))
        return 3;
    if (has("FLOW"))
        return 4;
    if (has("PROCEDUR") || has("PGM") || has("PROGRAM") || has("CALL"))
        return 2;
    if (has("DATA") || has("FILE") || has("USED"))
        return 5;
    return 0;
}

} // namespace

void mapDefinitions(Settings &s, const QStringList &rules, const QStringList &metrics, const QStringList &specs)
{
    s.definitions = true;
    s.ruleNames = entries(rules);
    s.ruleOf.clear();
    for (const QString &e : s.ruleNames)
        s.ruleOf.push_back(ruleFor(e));
    s.metricOf.clear();
    for (const QString &e : entries(metrics))
        s.metricOf.push_back(metricFor(e));
    s.specOf.clear();
    for (const QString &e : entries(specs))
        s.specOf.push_back(specFor(e));
}

bool loadDefinitions(Settings &settings, const QStringList &folders)
{
    for (const QString &folder : folders) {
        const QDir dir(folder);
        const auto file = [&](const char *word) {
            const QStringList found = dir.entryList({QLatin1String(word) + QStringLiteral(".*")}, QDir::Files, QDir::Name);
            return found.isEmpty() ? QString() : dir.filePath(found.front());
        };
        const QString rules = file("Rules"), metrics = file("Metrics"), specs = file("Specs");
        if (rules.isEmpty() && metrics.isEmpty())
            continue;
        try {
            mapDefinitions(settings, rules.isEmpty() ? QStringList() : TextFile::readLines(rules),
                           metrics.isEmpty() ? QStringList() : TextFile::readLines(metrics),
                           specs.isEmpty() ? QStringList() : TextFile::readLines(specs));
            return true;
        } catch (const EQuenbarError &) {
            settings.definitions = false;
        }
    }
    return false;
}

double Metrics::value(size_t metric) const
{
    switch (metric) {
    case 0: return lines;
    case 1: return code;
    case 2: return comment;
    case 3: return statements;
    case 4: return paragraphs;
    case 5: return dataItems;
    case 6: return cyclomatic;
    case 7: return nesting;
    case 8: return fanCall;
    case 9: return fanPerform;
    case 10: return commenting;
    case 11: return structuredness;
    case 12: return modularity;
    case 13: return conformity;
    case 14: return files;
    default: return 0;
    }
}

void Metrics::add(const Metrics &o)
{
    sources += o.sources;
    lines += o.lines;
    code += o.code;
    comment += o.comment;
    programs += o.programs;
    statements += o.statements;
    paragraphs += o.paragraphs;
    dataItems += o.dataItems;
    files += o.files;
    cyclomatic += o.cyclomatic;
    nesting = qMax(nesting, o.nesting);
    fanCall += o.fanCall;
    fanPerform += o.fanPerform;
    gotos += o.gotos;
    alters += o.alters;
    major += o.major;
    medium += o.medium;
    minor += o.minor;
    dataPoints += o.dataPoints;
    funcPoints += o.funcPoints;
}

void Metrics::finish(const Settings &s)
{
    const double stmts = qMax(1, statements);
    commenting = qMin(1.0, double(comment) / qMax(1, code) * 4.0);
    structuredness = qMax(0.0, 1.0 - (gotos + 2.0 * alters) * 10.0 / stmts);
    modularity = paragraphs == 0 ? (statements <= 20 ? 1.0 : 20.0 / statements)
                                 : qMin(1.0, 20.0 / qMax(1.0, double(statements) / paragraphs));
    const double wv = 3.0 * major + 2.0 * medium + minor;
    conformity = 1.0 - wv / (wv + statements / 20.0 + 1.0);
    const double normalised[] = {
        qMin(1.0, qMax(0, cyclomatic - programs) / stmts * 4.0),
        qMin(1.0, double(nesting) / qMax(1, s.limit("MAXNEST", 6))),
        qMin(1.0, fanCall / 10.0),
        qMin(1.0, fanPerform / 20.0),
    };
    double cw = 0, cs = 0, qw = 0, qs = 0;
    for (size_t k = 0; k < metricDefinitions().size(); ++k) {
        const int w = s.weight(k);
        if (w <= 0)
            continue;
        if (metricDefinitions()[k].group == 1) {
            cw += w;
            cs += w * normalised[k - 6];
        } else if (metricDefinitions()[k].group == 2) {
            qw += w;
            qs += w * value(k);
        }
    }
    complexity = cw > 0 ? cs / cw : 0.0;
    quality = qw > 0 ? qs / qw : 1.0;
}

namespace {

bool looksBinary(const QString &text)
{
    const qsizetype n = qMin<qsizetype>(text.size(), 65536);
    int control = 0;
    for (qsizetype k = 0; k < n; ++k) {
        const ushort u = text[k].unicode();
        if (u == 0)
            return true;
        if (u < 0x20 && u != '\t' && u != '\r' && u != '\n' && u != '\f' && u != 0x1A)
            ++control;
    }
    return n > 0 && control * 20 > n;
}

} // namespace

SourceAnalysis analyseSource(const QString &text, CopyLibrary &library, const Settings &settings, bool copybookName,
                             const Checkpoint &checkpoint)
{
    SourceAnalysis a;
    a.sourceLines = TextFile::splitLines(text);
    Metrics &m = a.metrics;
    m.sources = 1;
    std::vector<Violation> all;
    if (looksBinary(text)) {
        a.failed = true;
        a.problem = QStringLiteral("binary data, not a COBOL source");
        m.lines = int(a.sourceLines.size());
        all.push_back({RuleNotCobol, 1, 1, QStringLiteral("The file holds binary data")});
    } else {
        SourceText src = readSource(text, library, checkpoint);
        m.lines = src.counts.lines;
        m.code = src.counts.code;
        m.comment = src.counts.comment;
        a.copybooks = src.copybooks;
        a.parsed = parse(src.tokens, checkpoint);
        all = src.problems;
        for (const Violation &v : a.parsed.problems)
            all.push_back(v);
        const ParseResult &p = a.parsed;
        if (p.programs.empty()) {
            // Data entries alone make a copybook whatever its name; statements
            // without a program only in a file named as a copybook.
            const bool copybook = copybookName ? p.copybookLike || src.tokens.empty()
                                               : p.copybookLike && !p.proceduralOutside;
            if (copybook && src.garbage * 10 <= qMax<qsizetype>(1, text.size())) {
                a.copybook = true;
                a.problem = QStringLiteral("copybook");
            } else {
                a.failed = true;
                a.problem = src.tokens.empty() ? QStringLiteral("no COBOL text") : QStringLiteral("not a COBOL program");
                all.push_back({RuleNotCobol, 1, 1,
                               QStringLiteral("No IDENTIFICATION DIVISION or PROGRAM-ID found")});
            }
            m.dataItems = p.dataItems;
        }
    }
    // Program rules, limits, and the per-program counts.
    QSet<QString> calls, performs;
    std::vector<PlacedViolation> placed;
    for (const Violation &v : all)
        placed.push_back({v, QString(), QString()});
    for (Program prog : a.parsed.programs) {
        checkFlow(prog);
        checkInitialisation(prog);
        ++m.programs;
        m.files += filesAccessed(prog);
        m.statements += prog.statements;
        m.cyclomatic += 1 + prog.decisions;
        m.nesting = qMax(m.nesting, prog.maxNesting);
        for (const DataItem &d : prog.data) {
            if (d.level != 88)
                ++m.dataItems;
            if (d.level == 1 && (d.section == DataSection::Linkage || d.section == DataSection::File))
                ++m.dataPoints;
        }
        for (const Paragraph &pa : prog.paragraphs) {
            if (!pa.name.isEmpty())
                ++m.paragraphs;
            for (const ProcRef &r : pa.calls)
                calls.insert(r.target);
            for (const ProcRef &r : pa.performs)
                performs.insert(prog.name + u'.' + r.target);
            m.gotos += int(pa.gotos.size());
        }
        m.funcPoints += int(prog.entries.size()) + int(prog.paragraphs.size() > 0);
        const auto limitCheck = [&](int rule, int value, const char *key, int fallback, const QString &what) {
            const int lim = settings.limit(key, fallback);
            if (lim > 0 && value > lim)
                prog.violations.push_back({rule, prog.line, prog.line,
                                           QStringLiteral("%1: %2 exceeds the limit of %3").arg(what).arg(value).arg(lim)});
        };
        limitCheck(RuleStatementLimit, prog.statements, "MAXSTMT", 500, QStringLiteral("Statements of %1").arg(prog.name));
        limitCheck(RuleNestingLimit, prog.maxNesting, "MAXNEST", 6, QStringLiteral("Nesting depth of %1").arg(prog.name));
        limitCheck(RuleComplexityLimit, 1 + prog.decisions, "MAXCYCL", 50,
                   QStringLiteral("Cyclomatic complexity of %1").arg(prog.name));
        for (const EntryPoint &e : prog.entries)
            limitCheck(RuleParameterLimit, int(e.params.size()), "MAXPARM", 12,
                       QStringLiteral("Parameters of entry %1").arg(e.name));
        for (const Violation &v : prog.violations) {
            if (v.rule == RuleAlter)
                ++m.alters;
            placed.push_back({v, prog.name, QString()});
        }
    }
    m.fanCall = int(calls.size());
    m.fanPerform = int(performs.size());
    for (PlacedViolation &pv : placed) {
        if (!settings.rule(pv.v.rule))
            continue;
        pv.ruleName = settings.ruleName(pv.v.rule);
        a.violations.push_back(pv);
        switch (severityOf(pv.v.rule)) {
        case Severity::Problem: ++m.major; break;
        case Severity::Defi: ++m.medium; break;
        case Severity::Warning: ++m.minor; break;
        }
    }
    std::stable_sort(a.violations.begin(), a.violations.end(), [](const PlacedViolation &x, const PlacedViolation &y) {
        return x.v.firstLine < y.v.firstLine;
    });
    m.finish(settings);
    return a;
}

// ---- Metrics file ------------------------------------------------------------

namespace {

QString metricLine(const char *code, const QString &description, const QString &value)
{
    return QStringLiteral("%1 %2= > %3").arg(QLatin1String(code), -4).arg(description, -44).arg(value, 10);
}

QString fixed3(double v) { return QString::number(v, 'f', 3); }

} // namespace

QStringList metricsLines(const Metrics &m, const Settings &s, const QString &title)
{
    QStringList out;
    out << QStringLiteral("COBReDoc metrics of ") + title;
    out << QStringLiteral("Programs: %1, sources: %2").arg(m.programs).arg(m.sources);
    out << QString();
    const auto &defs = metricDefinitions();
    // Size, then complexity, then quality: the order the readers rely on.
    for (int group = 0; group < 3; ++group) {
        for (size_t k = 0; k < defs.size(); ++k) {
            if (defs[k].group != group || s.weight(k) <= 0)
                continue;
            const double v = m.value(k);
            out << metricLine(defs[k].code, QLatin1String(defs[k].description),
                              group == 2 ? fixed3(v) : QString::number(qRound64(v)));
        }
        if (group == 1)
            out << metricLine("CPLX", QStringLiteral("Program complexity"), fixed3(m.complexity));
    }
    out << metricLine("QUAL", QStringLiteral("Program quality"), fixed3(m.quality));
    return out;
}

// ---- Deficiency report -------------------------------------------------------------

QStringList defiLines(const SourceAnalysis &a, const QString &sourceName)
{
    const QString frame = QStringLiteral("+") + QString(78, u'-') + QStringLiteral("+");
    const auto boxed = [](const QString &text) { return QStringLiteral("|%1|").arg(text, -78); };
    QStringList out;
    out << frame;
    out << boxed(QStringLiteral("   SOURCE: %1").arg(sourceName, -52) + QStringLiteral("PAGE: 1"));
    out << frame;
    for (const PlacedViolation &pv : a.violations) {
        const Violation &v = pv.v;
        const char *tag = severityOf(v.rule) == Severity::Problem ? "PROB"
                          : severityOf(v.rule) == Severity::Defi  ? "DEFI"
                                                                  : "WARN";
        out << QStringLiteral("| %1 | %2 |").arg(QLatin1String(tag)).arg(pv.ruleName.isEmpty() ? ruleText(v.rule) : pv.ruleName, -69);
        QString detail = v.detail;
        if (!pv.program.isEmpty())
            detail = pv.program + QStringLiteral(": ") + detail;
        out << QStringLiteral("|      |   %1").arg(detail);
        const int first = qMax(1, v.firstLine);
        const int last = qMin(qMax(first, v.lastLine), first + 19);
        for (int l = first; l <= last; ++l) {
            const QString text = l <= a.sourceLines.size() ? a.sourceLines.at(l - 1) : QString();
            out << QStringLiteral("|%1 | %2").arg(l, 6).arg(text.left(200));
        }
    }
    const Metrics &m = a.metrics;
    out << frame;
    out << QStringLiteral("|   Number of major Rule Violations =  %1 |").arg(m.major, 7);
    out << QStringLiteral("|   Number of medium Rule Violations = %1 |").arg(m.medium, 7);
    out << QStringLiteral("|   Number of minor Rule Violations =  %1 |").arg(m.minor, 7);
    out << QStringLiteral("|   Number of programs =               %1 |").arg(m.programs, 7);
    out << QStringLiteral("|   Number of source lines =           %1 |").arg(m.lines, 7);
    out << QStringLiteral("|   Number of statements =             %1 |").arg(m.statements, 7);
    out << QStringLiteral("|   Number of paragraphs =             %1 |").arg(m.paragraphs, 7);
    out << QStringLiteral("|   Cyclomatic complexity =            %1 |").arg(m.cyclomatic, 7);
    out << QStringLiteral("|   Degree of conformity =             %1 |").arg(fixed3(m.conformity), 7);
    out << QStringLiteral("|   Program quality =                  %1 |").arg(fixed3(m.quality), 7);
    out << frame;
    return out;
}

// ---- Specification listings ---------------------------------------------------------

namespace {

const QString kSeparator(70, u'-');

QString columns(const QString &a, const QString &b, const QString &c)
{
    return QStringLiteral("%1%2%3").arg(a.left(31), -32).arg(b.left(28), -29).arg(c.left(32)).trimmed().isEmpty()
               ? QString()
               : QStringLiteral("%1%2%3").arg(a.left(31), -32).arg(b.left(28), -29).arg(c.left(32));
}

QStringList distinct(const QStringList &in)
{
    QStringList out;
    QSet<QString> seen;
    for (const QString &s : in)
        if (!s.isEmpty() && !seen.contains(s)) {
            seen.insert(s);
            out << s;
        }
    return out;
}

} // namespace

QStringList specLines(const SourceAnalysis &a, int listType, const QString &sourceName, const QString &date)
{
    const QString fileName = sourceName.section(u'\\', -1);
    const QString type = specDefinitions().value(listType - 1);
    QStringList out;
    out << QStringLiteral("/ Post Documentation of Program: %1   Date: %2").arg(sourceName, date);
    QStringList programs;
    for (const Program &p : a.parsed.programs)
        programs << p.name;
    out << QStringLiteral("  Programs %1 in %2").arg(programs.isEmpty() ? QStringLiteral("(none)") : programs.join(QStringLiteral(", ")), sourceName);
    out << QStringLiteral("| %1  %2").arg(type, fileName);
    static const char *const comments[] = {
        "Entry points of each program with their parameters, and the programs it calls",
        "Sections and paragraphs in source order with their PERFORM, GO TO and CALL statements",
        "Decisions by nesting depth: IF, EVALUATE WHEN, loop conditions, conditional phrases",
        "Per paragraph the data it reads, the conditions it tests and the data it changes",
        "Data items with their declaration and the lines that use them",
    };
    out << QStringLiteral("| %1 |").arg(QLatin1String(comments[listType - 1]));
    out << QStringLiteral("+") + QString(76, u'-');
    static const char *const headers[] = {
        "  Line  Program          Interface",
        "  Line    Kind     Name",
        "Dep  Line Keyword Condition",
        nullptr,
        "  Name                            Level Picture          Defined  Used in lines",
    };
    if (headers[listType - 1]) {
        out << QStringLiteral("|") + QLatin1String(headers[listType - 1]);
        out << QStringLiteral("+") + QString(76, u'-');
    }
    for (const Program &p : a.parsed.programs) {
        switch (listType) {
        case 1: {
            for (const EntryPoint &e : p.entries) {
                out << kSeparator;
                QStringList names;
                for (const Parameter &par : e.params)
                    names << par.name;
                out << QStringLiteral(" %1  %2").arg(e.line, 5).arg(p.name.left(15), -15)
                           + QStringLiteral("Entry %1%2").arg(e.name, names.isEmpty() ? QString() : QStringLiteral(" USING ") + names.join(u' '));
                for (const Parameter &par : e.params)
                    for (const DataItem &d : p.data)
                        if (d.name == par.name && (d.level == 1 || d.level == 77)) {
                            const TypeInfo ti = typeOf(d);
                            out << QStringLiteral("          %1 %2 %3 %4").arg(d.level, 2, 10, QLatin1Char('0'))
                                       .arg(d.name, -30).arg(par.direction, -6).arg(ti.dataType);
                            break;
                        }
            }
            QStringList calls;
            for (const Paragraph &pa : p.paragraphs)
                for (const ProcRef &r : pa.calls)
                    if (!calls.contains(r.target))
                        calls << r.target;
            if (!calls.isEmpty()) {
                out << kSeparator;
                out << QStringLiteral(" %1  %2").arg(p.line, 5).arg(p.name.left(15), -15)
                           + QStringLiteral("Calls %1").arg(calls.join(QStringLiteral(", ")));
            }
            break;
        }
        case 2: {
            out << kSeparator;
            out << QStringLiteral(" %1    %2%3").arg(p.line, 5).arg(QStringLiteral("PROGRAM"), -9).arg(p.name);
            for (const Paragraph &pa : p.paragraphs) {
                if (pa.name.isEmpty() && pa.performs.empty() && pa.calls.empty() && pa.gotos.empty())
                    continue;
                out << kSeparator;
                out << QStringLiteral(" %1    %2%3").arg(pa.line, 5)
                           .arg(pa.isSection ? QStringLiteral("SECTION") : QStringLiteral("PARAGRAPH"), -9)
                           .arg(pa.name.isEmpty() ? QStringLiteral("(start)") : pa.name);
                for (const ProcRef &r : pa.performs)
                    out << QStringLiteral("                   PERFORM %1%2   (line %3)")
                               .arg(r.target, r.thru.isEmpty() ? QString() : QStringLiteral(" THRU ") + r.thru)
                               .arg(r.line);
                for (const ProcRef &r : pa.gotos)
                    out << QStringLiteral("                   GO TO %1   (line %2)").arg(r.target).arg(r.line);
                for (const ProcRef &r : pa.calls)
                    out << QStringLiteral("                   CALL %1   (line %2)").arg(r.target).arg(r.line);
            }
            break;
        }
        case 3: {
            for (const Paragraph &pa : p.paragraphs) {
                out << kSeparator;
                out << QStringLiteral("%1 %2 %3%4").arg(0, 3).arg(pa.line, 5)
                           .arg(pa.isSection ? QStringLiteral("SECTION") : QStringLiteral("PARA"), -8)
                           .arg(p.name + u'.' + (pa.name.isEmpty() ? QStringLiteral("(start)") : pa.name));
                for (const Decision &d : pa.decisions) {
                    out << kSeparator;
                    out << QStringLiteral("%1 %2 %3%4").arg(qMin(d.depth, 999), 3).arg(d.line, 5)
                               .arg(d.keyword.left(8), -8).arg(d.text);
                }
            }
            break;
        }
        case 4: {
            for (const Paragraph &pa : p.paragraphs) {
                if (pa.name.isEmpty() && pa.statements == 0)
                    continue;
                out << kSeparator;
                out << QStringLiteral("Paragraph: %1").arg(p.name + u'.' + (pa.name.isEmpty() ? QStringLiteral("(start)") : pa.name));
                out << columns(QStringLiteral("Inputs/Arguments"), QStringLiteral("Predicates"), QStringLiteral("Outputs/Results"));
                out << QString(93, u'=');
                out << QStringLiteral("  lines %1-%2, %3 statements").arg(pa.line).arg(pa.lastLine).arg(pa.statements);
                const QStringList in = distinct(pa.inputs), pr = distinct(pa.predicates), ou = distinct(pa.outputs);
                const qsizetype rows = qMin<qsizetype>(200, qMax(in.size(), qMax(pr.size(), ou.size())));
                for (qsizetype r = 0; r < rows; ++r)
                    out << columns(in.value(r), pr.value(r), ou.value(r));
            }
            break;
        }
        case 5: {
            out << kSeparator;
            out << QStringLiteral("  Program %1").arg(p.name);
            for (const DataItem &d : p.data) {
                if (d.level == 88)
                    continue;
                QStringList used;
                for (int l : p.uses.value(d.name).mid(0, 12))
                    used << QString::number(l);
                out << QStringLiteral("  %1 %2 %3 %4  %5").arg(d.name.left(31), -31).arg(d.level, 5)
                           .arg(d.picture.left(16), -16).arg(d.line, 7).arg(used.join(u' '));
            }
            break;
        }
        default:
            break;
        }
    }
    out.removeAll(QString());
    return out;
}

// ---- XML metric summary -------------------------------------------------------------

QStringList summaryXml(const Metrics &m, const QString &product, const QString &system, const QString &date)
{
    const auto esc = [](QString s) {
        s.replace(u'&', QLatin1String("&amp;"));
        s.replace(u'<', QLatin1String("&lt;"));
        s.replace(u'>', QLatin1String("&gt;"));
        s.replace(u'"', QLatin1String("&quot;"));
        return s;
    };
    const auto el = [](const char *name, const char *caption, const QString &value) {
        return QStringLiteral("   <%1 Caption=\"%2\">%3</%1>").arg(QLatin1String(name), QLatin1String(caption), value);
    };
    const auto two = [](double v) { return QString::number(v, 'f', 2); };
    QStringList x;
    x << QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>");
    x << QStringLiteral("<!--DOCTYPE CMETRICS SYSTEM \"cmetrics.xsd\"-->");
    x << QStringLiteral("<CMETRICS>");
    x << QStringLiteral(" <METRIC_FILE Product=\"%1\" System=\"%2\" Date=\"%3\" Source=\"COBReDoc COBOL analyser\"/>")
             .arg(esc(product), esc(system), date);
    x << QStringLiteral(" <METRIC_ENTITY Entity=\"System\" EName=\"%1\" EType=\"Prc. Code\">").arg(esc(system));
    x << QStringLiteral("  <Quantity_Metrics Header=\"QUANTITY METRICS\">");
    x << el("Nr_Sources", "Number of Source Members analyzed", QString::number(m.sources));
    x << el("Nr_Lines", "Number of Source Lines in all", QString::number(m.lines));
    x << el("Nr_Code_Lines", "Number of Genuine Code Lines", QString::number(m.code));
    x << el("Nr_Comment_Lines", "Number of Comment Lines", QString::number(m.comment));
    x << el("Nr_Modules", "Number of Modules", QString::number(m.programs));
    x << el("Nr_TestCases", "Number of required Test Cases", QString::number(m.cyclomatic));
    x << el("Nr_Data_Definitions", "Number of Data Variables declared", QString::number(m.dataItems));
    x << el("Nr_Stmts", "Number of Statements", QString::number(m.statements));
    x << QStringLiteral("  </Quantity_Metrics>");
    x << QStringLiteral("  <Size_Metrics Header=\"SIZE METRICS\">");
    x << el("Nr_Data_Points", "Number of Data-Points", QString::number(m.dataPoints));
    x << el("Nr_Func_Points", "Number of Function-Points", QString::number(m.funcPoints));
    x << QStringLiteral("  </Size_Metrics>");
    x << QStringLiteral("  <Deficiency_Metrics Header=\"DEFICIENCY METRICS\">");
    x << el("Nr_Major_Defis", "Number of Major Rule Violations", QString::number(m.major));
    x << el("Nr_Media_Defis", "Number of Medium Rule Violations", QString::number(m.medium));
    x << el("Nr_Minor_Defis", "Number of Minor Rule Violations ", QString::number(m.minor));
    x << QStringLiteral("  </Deficiency_Metrics>");
    x << QStringLiteral("  <Complexity_Metrics Header=\"COMPLEXITY METRICS\">");
    x << el("Program_Complexity", "Weighted Average Program Complexity", two(m.complexity));
    x << QStringLiteral("  </Complexity_Metrics>");
    x << QStringLiteral("  <Quality_Metrics Header=\"QUALITY METRICS\">");
    x << el("Conformity", "Average Degree of Conformity", two(m.conformity));
    x << el("Program_Quality", "Weighted Average Program Quality", two(m.quality));
    x << QStringLiteral("  </Quality_Metrics>");
    x << QStringLiteral(" </METRIC_ENTITY>");
    x << QStringLiteral("</CMETRICS>");
    return x;
}

} // namespace Cobol
