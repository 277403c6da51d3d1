// Rules on the parsed programs, data types of PICTURE clauses and the
// interface export.
#include "Cobol.h"

#include <QSet>

namespace Cobol {

Severity severityOf(int rule)
{
    switch (rule) {
    case RuleAlter:
    case RuleUnbalancedScope:
    case RuleMissingCopybook:
    case RuleRecursiveCopybook:
    case RuleNotCobol:
        return Severity::Problem;
    case RuleFallThrough:
    case RulePerformThru:
    case RuleParameterLimit:
    case RuleNextSentence:
    case RuleNestedIf:
    case RuleLiteralComparison:
        return Severity::Warning;
    default:
        return Severity::Defi;
    }
}

QString ruleText(int rule)
{
    static const char *const texts[] = {
        "GO TO statement used",
        "ALTER statement used",
        "Paragraph falls through into the next one",
        "PERFORM THRU used",
        "EVALUATE without WHEN OTHER",
        "Dead paragraph, never performed or reached",
        "Statement limit exceeded",
        "Nesting depth limit exceeded",
        "Parameter limit exceeded",
        "Unbalanced scope terminator",
        "Copybook missing",
        "Copybook includes itself",
        "Source is not COBOL or is incomplete",
        "NEXT SENTENCE used",
        "Complexity limit exceeded",
        "Nested IF without END-IF",
        "STOP RUN outside the main program",
        "Hard-coded literal in a comparison",
        "Numeric field used without initialisation",
    };
    if (rule < 1 || rule > RuleCount)
        return QString();
    return QStringLiteral("%1 %2").arg(rule, 2, 10, QLatin1Char('0')).arg(QLatin1String(texts[rule - 1]));
}

bool isInputRule(int rule)
{
    return rule == RuleUnbalancedScope || rule == RuleMissingCopybook || rule == RuleRecursiveCopybook
           || rule == RuleNotCobol;
}

// ---- Control flow -------------------------------------------------------------

void checkFlow(Program &program)
{
    std::vector<Paragraph> &paras = program.paragraphs;
    const int n = int(paras.size());
    if (n == 0)
        return;
    QHash<QString, int> index;
    for (int k = 0; k < n; ++k)
        if (!paras[size_t(k)].name.isEmpty() && !index.contains(paras[size_t(k)].name))
            index.insert(paras[size_t(k)].name, k);
    // The paragraphs a reference reaches: a section with all its paragraphs,
    // a THRU range with everything in between.
    const auto rangeOf = [&](const QString &from, const QString &thru, QList<int> &out) {
        const int a = index.value(from, -1);
        if (a < 0)
            return;
        int b = thru.isEmpty() ? a : index.value(thru, a);
        if (paras[size_t(a)].isSection && thru.isEmpty()) {
            b = a;
            while (b + 1 < n && !paras[size_t(b + 1)].isSection)
                ++b;
        } else if (!thru.isEmpty() && paras[size_t(b)].isSection) {
            while (b + 1 < n && !paras[size_t(b + 1)].isSection)
                ++b;
        }
        for (int k = a; k <= qMax(a, b); ++k)
            out << k;
    };
    // Paragraphs entered as part of a performed range run into the next one by design.
    std::vector<bool> inRange(size_t(n), false);
    for (const Paragraph &p : paras) {
        for (const ProcRef &r : p.performs) {
            QList<int> range;
            rangeOf(r.target, r.thru, range);
            for (int k = 0; k + 1 < range.size(); ++k)
                inRange[size_t(range[k])] = true;
        }
    }
    // Main flow: what the first paragraph leads to by GO TO and by running on
    // past its end. A GO TO inside a performed paragraph stays under that PERFORM.
    std::vector<bool> flow(size_t(n), false);
    {
        QList<int> todo{0};
        flow[0] = true;
        while (!todo.isEmpty()) {
            const int k = todo.takeLast();
            const Paragraph &p = paras[size_t(k)];
            QList<int> next;
            for (const ProcRef &r : p.gotos)
                next << index.value(r.target, -1);
            if (p.endReachable && k + 1 < n)
                next << k + 1;
            for (int x : next)
                if (x >= 0 && !flow[size_t(x)]) {
                    flow[size_t(x)] = true;
                    todo << x;
                }
        }
    }
    // Inside a section the paragraphs follow each other by design.
    const auto sameSection = [&](int a, int b) {
        const int sa = paras[size_t(a)].isSection ? a : paras[size_t(a)].section;
        const int sb = paras[size_t(b)].isSection ? b : paras[size_t(b)].section;
        return sa >= 0 && sa == sb;
    };
    for (int k = 0; k + 1 < n; ++k) {
        const Paragraph &p = paras[size_t(k)];
        if (!flow[size_t(k)] || !p.endReachable || inRange[size_t(k)] || p.declaratives || sameSection(k, k + 1))
            continue;
        if (paras[size_t(k + 1)].isSection && p.name.isEmpty() && p.statements == 0)
            continue;
        program.violations.push_back({RuleFallThrough, p.line, p.line,
                                      QStringLiteral("%1 falls through into %2")
                                          .arg(p.name.isEmpty() ? QStringLiteral("(start)") : p.name,
                                               paras[size_t(k + 1)].name)});
    }
    // Reachability over PERFORM, GO TO, other references and fall-through.
    std::vector<bool> reached(size_t(n), false);
    QList<int> work;
    const auto reach = [&](int k) {
        if (k >= 0 && k < n && !reached[size_t(k)]) {
            reached[size_t(k)] = true;
            work << k;
        }
    };
    reach(0);
    for (int k = 0; k < n; ++k)
        if (paras[size_t(k)].declaratives)
            reach(k);
    while (!work.isEmpty()) {
        const int k = work.takeLast();
        const Paragraph &p = paras[size_t(k)];
        QList<int> targets;
        for (const ProcRef &r : p.performs)
            rangeOf(r.target, r.thru, targets);
        for (const ProcRef &r : p.gotos)
            rangeOf(r.target, QString(), targets);
        for (const QString &r : p.references)
            rangeOf(r, QString(), targets);
        for (int x : targets)
            reach(x);
        if (k + 1 < n && p.endReachable && (flow[size_t(k)] || inRange[size_t(k)] || sameSection(k, k + 1)))
            reach(k + 1);
        if (p.isSection)
            reach(k + 1 < n && !paras[size_t(k + 1)].isSection ? k + 1 : -1);
    }
    for (int k = 0; k < n; ++k) {
        const Paragraph &p = paras[size_t(k)];
        if (!reached[size_t(k)] && !p.name.isEmpty())
            program.violations.push_back({RuleDeadParagraph, p.line, p.line,
                                          QStringLiteral("%1 %2 is never reached")
                                              .arg(p.isSection ? QStringLiteral("Section") : QStringLiteral("Paragraph"),
                                                   p.name)});
    }
}

// ---- Data use -------------------------------------------------------------------

void checkInitialisation(Program &program)
{
    const std::vector<DataItem> &data = program.data;
    const int n = int(data.size());
    // Storage another name can reach: records with a RENAMES, items that
    // redefine or are redefined.
    QSet<QString> redefined;
    for (const DataItem &d : data)
        if (!d.redefines.isEmpty())
            redefined.insert(d.redefines);
    std::vector<bool> aliased(size_t(n), false);
    int record = -1;
    for (int k = 0; k < n; ++k) {
        const DataItem &d = data[size_t(k)];
        if (d.level == 1 || d.level == 77)
            record = k;
        else if (d.level == 66 && record >= 0)
            aliased[size_t(record)] = true;
    }
    // SET of a condition name stores into its conditional variable.
    QSet<QString> received = program.received;
    int variable = -1;
    for (int k = 0; k < n; ++k) {
        const DataItem &d = data[size_t(k)];
        if (d.level != 88 && d.level != 66)
            variable = k;
        else if (d.level == 88 && variable >= 0 && received.contains(d.name))
            received.insert(data[size_t(variable)].name);
    }
    for (int k = 0; k < n; ++k) {
        const DataItem &d = data[size_t(k)];
        if ((d.section != DataSection::Working && d.section != DataSection::Local) || d.hasChildren || d.level == 88
            || d.level == 66 || d.usage == QLatin1String("INDEX"))
            continue;
        const QString type = typeOf(d).dataType;
        if (type != QLatin1String("NUMERIC") && type != QLatin1String("PACKED") && type != QLatin1String("BINARY")
            && type != QLatin1String("FLOAT"))
            continue;
        const auto read = program.firstRead.constFind(d.name);
        if (read == program.firstRead.constEnd())
            continue;
        // The item and the groups above it: none may have a value, be stored
        // into, shared, overlaid or a table.
        bool skip = false;
        for (int g = k; g >= 0 && !skip; g = data[size_t(g)].parent) {
            const DataItem &up = data[size_t(g)];
            skip = up.hasValue || received.contains(up.name) || up.shared || up.occurs > 0 || !up.redefines.isEmpty()
                   || redefined.contains(up.name) || aliased[size_t(g)];
        }
        if (!skip)
            program.violations.push_back({RuleUninitialised, read.value(), read.value(),
                                          QStringLiteral("%1 is read but no statement gives it a value").arg(d.name)});
    }
}

int filesAccessed(const Program &program)
{
    const QStringList &names = program.selectedFiles.isEmpty() ? program.describedFiles : program.selectedFiles;
    return int(QSet<QString>(names.begin(), names.end()).size());
}

// ---- Data types -----------------------------------------------------------------

namespace {

// The picture with its repeat counts written out: "S9(5)V99" -> "S99999V99".
QString expandPicture(const QString &pic)
{
    QString out;
    for (qsizetype k = 0; k < pic.size(); ++k) {
        const QChar c = pic[k];
        if (c == u'(' && !out.isEmpty()) {
            const qsizetype close = pic.indexOf(u')', k);
            if (close < 0)
                break;
            const int count = qBound(0, pic.mid(k + 1, close - k - 1).toInt(), 100000);
            const QChar last = out.back();
            out += QString(qMax(0, count - 1), last);
            k = close;
        } else {
            out += c;
        }
        if (out.size() > 100000)
            break;
    }
    return out;
}

} // namespace

TypeInfo typeOf(const DataItem &item)
{
    TypeInfo info;
    const QString &u = item.usage;
    if (item.hasChildren) {
        info.dataType = QStringLiteral("GROUP");
        return info;
    }
    if (u == QLatin1String("COMP-1") || u == QLatin1String("COMPUTATIONAL-1") || u == QLatin1String("FLOAT-SHORT")) {
        info.dataType = QStringLiteral("FLOAT");
        info.length = 4;
        return info;
    }
    if (u == QLatin1String("COMP-2") || u == QLatin1String("COMPUTATIONAL-2") || u == QLatin1String("FLOAT-LONG")) {
        info.dataType = QStringLiteral("FLOAT");
        info.length = 8;
        return info;
    }
    if (u.endsWith(QLatin1String("POINTER"))) {
        info.dataType = QStringLiteral("HEX");
        info.length = 4;
        return info;
    }
    if (u == QLatin1String("INDEX")) {
        info.dataType = QStringLiteral("BINARY");
        info.length = 9;
        return info;
    }
    const QString pic = expandPicture(item.picture);
    if (pic.isEmpty()) {
        info.dataType = QStringLiteral("CHAR");
        return info;
    }
    int nines = 0, decimals = 0, other = 0, display = 0;
    bool afterV = false, edited = false;
    for (qsizetype k = 0; k < pic.size(); ++k) {
        const QChar c = pic[k];
        switch (c.unicode()) {
        case '9':
            ++nines;
            ++display;
            if (afterV)
                ++decimals;
            break;
        case 'S':
            break;
        case 'V':
            afterV = true;
            break;
        case 'P':
            break;
        case 'X':
        case 'A':
            ++other;
            ++display;
            break;
        case 'N':
        case 'G':
            ++other;
            ++display;
            break;
        default:
            edited = true;
            ++display;
            break;
        }
    }
    if (other > 0 || edited) {
        info.dataType = QStringLiteral("CHAR");
        info.length = display;
        return info;
    }
    info.length = nines;
    info.decimals = decimals > 0 ? decimals : -1;
    if (u == QLatin1String("COMP-3") || u == QLatin1String("COMPUTATIONAL-3") || u == QLatin1String("PACKED-DECIMAL"))
        info.dataType = QStringLiteral("PACKED");
    else if (u.startsWith(QLatin1String("COMP")) || u == QLatin1String("BINARY"))
        info.dataType = QStringLiteral("BINARY");
    else
        info.dataType = QStringLiteral("NUMERIC");
    return info;
}

// ---- Export ----------------------------------------------------------------------

namespace {

QString csvField(const QString &text)
{
    if (text.contains(u';') || text.contains(u'"') || text != text.trimmed())
        return u'"' + QString(text).replace(QLatin1String("\""), QLatin1String("\"\"")) + u'"';
    return text;
}

// Export identification items hold no blank, comma or quote.
QString token(const QString &text)
{
    QString out = text.trimmed();
    for (QChar &c : out)
        if (c == u' ' || c == u',' || c == u'"' || c == u';' || c < u' ')
            c = u'_';
    return out.isEmpty() ? QStringLiteral("SYSTEM") : out;
}

struct Emitter
{
    const Program &program;
    QStringList &lines;

    // The children of a group, in order.
    std::vector<int> children(int parent) const
    {
        std::vector<int> out;
        for (int k = parent + 1; k < int(program.data.size()); ++k) {
            const DataItem &d = program.data[size_t(k)];
            if (d.level == 88 || d.level == 66)
                continue;
            if (d.parent == parent)
                out.push_back(k);
            else if (d.level <= program.data[size_t(parent)].level)
                break;
        }
        return out;
    }

    void item(int k, int level, const QString &direction)
    {
        const DataItem &d = program.data[size_t(k)];
        const TypeInfo type = typeOf(d);
        const std::vector<int> kids = d.hasChildren ? children(k) : std::vector<int>();
        const bool group = !kids.empty();
        QString declaration = d.declaration;
        QStringList row;
        row << QStringLiteral("PARAM") << d.name << QString::number(level) << direction
            << (group ? QStringLiteral("GROUP") : (type.dataType == QLatin1String("GROUP") ? QStringLiteral("CHAR") : type.dataType))
            << (group || type.length < 0 ? QString() : QString::number(type.length))
            << (group || type.decimals < 0 ? QString() : QString::number(type.decimals))
            << (d.occurs > 0 ? QString::number(d.occurs) : QString()) << csvField(declaration);
        while (!row.isEmpty() && row.back().isEmpty())
            row.removeLast();
        lines << row.join(u';');
        if (!group)
            return;
        // Members of one group share one level: the first member's.
        const int memberLevel = program.data[size_t(kids.front())].level;
        for (int c : kids)
            item(c, memberLevel, QString());
    }

    int find(const QString &name) const
    {
        // A LINKAGE record first, then any record of that name.
        for (int pass = 0; pass < 2; ++pass)
            for (int k = 0; k < int(program.data.size()); ++k) {
                const DataItem &d = program.data[size_t(k)];
                if (d.name == name && (d.level == 1 || d.level == 77)
                    && (pass == 1 || d.section == DataSection::Linkage))
                    return k;
            }
        return -1;
    }
};

} // namespace

QStringList exportLines(const Program &program, const QString &systemName, const QString &sourceName)
{
    QStringList lines;
    lines << QStringLiteral("RECORD;NAME;LEVEL;DIRECTION;DATATYPE;LENGTH;DECIMALS;OCCURS;DECLARATION");
    lines << QStringLiteral("EXPORT;1.0;%1;LANG;COBOL;SOURCE;%2").arg(token(systemName), csvField(sourceName));
    lines << QStringLiteral("PROGRAM;") + program.name;
    Emitter out{program, lines};
    std::vector<EntryPoint> entries = program.entries;
    if (entries.empty())
        entries.push_back({program.name, program.line, {}});
    // A CICS transaction gets its data through DFHCOMMAREA.
    if (program.cics) {
        EntryPoint &main = entries.front();
        std::vector<Parameter> kept;
        for (const Parameter &p : main.params)
            if (p.name != QLatin1String("DFHEIBLK"))
                kept.push_back(p);
        main.params = kept;
        bool has = false;
        for (const Parameter &p : main.params)
            has = has || p.name == QLatin1String("DFHCOMMAREA");
        if (!has && out.find(QStringLiteral("DFHCOMMAREA")) >= 0)
            main.params.push_back({QStringLiteral("DFHCOMMAREA"), QStringLiteral("INOUT")});
    }
    QSet<QString> names;
    for (const EntryPoint &e : entries) {
        if (e.name.isEmpty() || names.contains(e.name))
            continue;
        names.insert(e.name);
        lines << QStringLiteral("ENTRY;") + e.name;
        bool returned = false;
        for (const Parameter &p : e.params) {
            const int k = out.find(p.name);
            QString direction = p.direction;
            if (direction == QLatin1String("RETURN")) {
                if (returned)
                    continue;
                returned = true;
            }
            if (k < 0) {
                lines << QStringLiteral("PARAM;%1;1;%2;CHAR").arg(p.name, direction);
                continue;
            }
            out.item(k, program.data[size_t(k)].level, direction);
        }
    }
    return lines;
}

} // namespace Cobol
