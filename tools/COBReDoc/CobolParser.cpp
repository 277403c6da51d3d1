// Recursive-descent parser over the expanded tokens: divisions, data entries
// and the procedure division's paragraphs and statements. It never stops at
// an error: a fault becomes a violation and parsing goes on at the next
// sentence.
#include "Cobol.h"

#include <QSet>

namespace Cobol {

namespace {

constexpr int kMaxDepth = 200;

const QSet<QString> &verbs()
{
    static const QSet<QString> set = [] {
        QSet<QString> s;
        for (const char *v : {"ACCEPT", "ADD", "ALLOCATE", "ALTER", "CALL", "CANCEL", "CLOSE", "COMMIT", "COMPUTE",
                              "CONTINUE", "DELETE", "DISABLE", "DISPLAY", "DIVIDE", "ENABLE", "ENTRY", "EVALUATE",
                              "EXEC", "EXECUTE", "EXHIBIT", "EXIT", "FREE", "GENERATE", "GO", "GOBACK", "IF",
                              "INITIALIZE", "INITIATE", "INSPECT", "INVOKE", "JSON", "MERGE", "MOVE", "MULTIPLY",
                              "OPEN", "PERFORM", "PURGE", "READ", "READY", "RECEIVE", "RELEASE", "RESET", "RETURN",
                              "REWRITE", "ROLLBACK", "SEARCH", "SEND", "SERVICE", "SET", "SORT", "START", "STOP",
                              "STRING", "SUBTRACT", "SUPPRESS", "TERMINATE", "TRANSFORM", "UNLOCK", "UNSTRING", "USE",
                              "WRITE", "XML"})
            s.insert(QLatin1String(v));
        return s;
    }();
    return set;
}

// The scope terminators; other words starting "END-" are names (END-PARA).
bool isTerminator(const QString &w)
{
    static const QSet<QString> set = [] {
        QSet<QString> s;
        for (const char *v : {"END-ACCEPT", "END-ADD", "END-CALL", "END-COMPUTE", "END-DELETE", "END-DISPLAY",
                              "END-DIVIDE", "END-EVALUATE", "END-EXEC", "END-IF", "END-INVOKE", "END-JSON",
                              "END-MULTIPLY", "END-PERFORM", "END-READ", "END-RECEIVE", "END-RETURN", "END-REWRITE",
                              "END-SEARCH", "END-START", "END-STRING", "END-SUBTRACT", "END-UNSTRING", "END-WRITE",
                              "END-XML"})
            s.insert(QLatin1String(v));
        return s;
    }();
    return w.startsWith(QLatin1String("END-")) && set.contains(w);
}

QString shortText(const std::vector<Token> &t, size_t from, size_t to, int max = 60)
{
    QString s;
    for (size_t i = from; i < to && i < t.size(); ++i) {
        if (!s.isEmpty() && t[i].kind != Tok::RParen && t[i].kind != Tok::Period && !s.endsWith(u'('))
            s += u' ';
        s += t[i].text;
        if (s.size() > max) {
            s = s.left(max - 3) + QStringLiteral("...");
            break;
        }
    }
    return s;
}

struct Parser
{
    const std::vector<Token> &t;
    const Checkpoint &checkpoint;
    ParseResult &res;
    size_t i = 0;
    int sinceCheck = 0;
    Program *prog = nullptr;
    Paragraph *para = nullptr;
    std::vector<Program> open;   // programs being read, innermost last
    bool usesEndProgram = false; // without END PROGRAM every program is an outermost one
    bool overflowed = false;     // nesting beyond kMaxDepth: scopes are no longer matched

    // An IF nested in an IF (at any depth), and the line of the IF whose
    // missing END-IF makes it a fault.
    struct NestedIf
    {
        int line = 0;
        int openedBy = 0;   // 0: all closed by END-IF so far
        bool self = false;  // it is the one without END-IF
    };
    std::vector<std::vector<NestedIf>> openIfs;   // per IF being read: the IFs nested in it

    Parser(const std::vector<Token> &tokens, const Checkpoint &cp, ParseResult &r) : t(tokens), checkpoint(cp), res(r) {}

    bool atEnd() const { return i >= t.size(); }
    const Token &cur() const { return t[i]; }
    bool curIs(const char *w) const { return i < t.size() && t[i].is(w); }
    bool peekIs(size_t k, const char *w) const { return i + k < t.size() && t[i + k].is(w); }
    int line() const { return i < t.size() ? t[i].line : (t.empty() ? 0 : t.back().line); }

    void tick()
    {
        if (++sinceCheck >= 4096 && checkpoint) {
            sinceCheck = 0;
            checkpoint();
        }
    }

    void violation(int rule, int first, int last, const QString &detail)
    {
        if (prog)
            prog->violations.push_back({rule, first, last, detail});
        else
            res.problems.push_back({rule, first, last, detail});
    }

    // Past a nesting overflow the scopes no longer pair up: say nothing more about them.
    void scopeFault(int first, int last, const QString &detail)
    {
        if (!overflowed)
            violation(RuleUnbalancedScope, first, last, detail);
    }

    void skipToPeriod()
    {
        while (!atEnd() && cur().kind != Tok::Period)
            ++i;
        if (!atEnd())
            ++i;
    }

    bool divisionHeader(const char *name) const { return curIs(name) && peekIs(1, "DIVISION"); }
    bool programStart() const
    {
        return (curIs("IDENTIFICATION") || curIs("ID")) && peekIs(1, "DIVISION");
    }
    bool programIdAhead() const { return curIs("PROGRAM-ID"); }

    // ---- Programs -----------------------------------------------------------

    void run()
    {
        while (!atEnd()) {
            tick();
            if (programStart() || programIdAhead()) {
                beginProgram();
                continue;
            }
            if (curIs("END") && peekIs(1, "PROGRAM")) {
                endProgram();
                continue;
            }
            if (!prog) {
                // Text outside a program: a copybook's data entries or statements.
                if (cur().kind == Tok::Word && isLevel(cur().text)) {
                    res.copybookLike = true;
                    DataSection s = DataSection::Other;
                    std::vector<DataItem> sink;
                    dataEntry(sink, s);
                    ++res.dataItems;
                    continue;
                }
                if ((cur().kind == Tok::Word && verbs().contains(cur().text)) || divisionHeader("PROCEDURE")) {
                    res.copybookLike = true;
                    res.proceduralOutside = true;
                }
                skipToPeriod();
                continue;
            }
            if (divisionHeader("ENVIRONMENT")) {
                i += 2;
                skipEnvironment();
                continue;
            }
            if (divisionHeader("DATA")) {
                i += 2;
                dataDivision();
                continue;
            }
            if (divisionHeader("PROCEDURE")) {
                procedureDivision();
                continue;
            }
            skipToPeriod();
        }
        while (!open.empty()) {
            if (prog->hasProcedure && !t.empty() && t.back().kind != Tok::Period)
                violation(RuleNotCobol, t.back().line, t.back().line,
                          QStringLiteral("Source ends in the middle of a sentence (truncated?)"));
            finishProgram(t.empty() ? 0 : t.back().line);
        }
    }

    void beginProgram()
    {
        const int start = line();
        if (programStart()) {
            i += 2;
            if (!atEnd() && cur().kind == Tok::Period)
                ++i;
        }
        while (!atEnd() && !curIs("PROGRAM-ID") && !programStart() && !divisionHeader("PROCEDURE")
               && !divisionHeader("DATA") && !divisionHeader("ENVIRONMENT"))
            ++i;
        QString name;
        if (curIs("PROGRAM-ID")) {
            ++i;
            if (!atEnd() && cur().kind == Tok::Period)
                ++i;
            if (!atEnd() && (cur().kind == Tok::Word || cur().kind == Tok::Literal)) {
                name = cur().text;
                if (cur().kind == Tok::Literal)
                    name = name.mid(1, name.size() - 2).toUpper();
                ++i;
            }
            skipToPeriod();
        }
        res.looksLikeCobol = true;
        // A program that begins after its predecessor's procedure division
        // without END PROGRAM is a sibling in a batch of programs; one that
        // begins inside an unfinished program that uses END PROGRAM is nested.
        if (prog && (!prog->hasProcedure || !usesEndProgram || open.size() >= 60))
            finishProgram(start - 1);
        Program p;
        p.name = name.isEmpty() ? QStringLiteral("UNNAMED") : name;
        p.line = start;
        p.nesting = int(open.size());
        open.push_back(std::move(p));
        prog = &open.back();
        para = nullptr;
        skipIdentification();
    }

    void skipIdentification()
    {
        while (!atEnd() && !divisionHeader("ENVIRONMENT") && !divisionHeader("DATA") && !divisionHeader("PROCEDURE")
               && !programStart() && !(curIs("END") && peekIs(1, "PROGRAM")))
            ++i;
    }

    void skipEnvironment()
    {
        while (!atEnd() && !divisionHeader("DATA") && !divisionHeader("PROCEDURE") && !programStart()
               && !(curIs("END") && peekIs(1, "PROGRAM"))) {
            if (curIs("SELECT")) {
                const size_t k = peekIs(1, "OPTIONAL") ? i + 2 : i + 1;
                if (k < t.size() && t[k].kind == Tok::Word)
                    prog->selectedFiles << t[k].text;
            }
            ++i;
        }
    }

    void endProgram()
    {
        const int l = line();
        i += 2;
        QString name;
        if (!atEnd() && (cur().kind == Tok::Word || cur().kind == Tok::Literal)) {
            name = cur().text;
            if (cur().kind == Tok::Literal)
                name = name.mid(1, name.size() - 2).toUpper();
        }
        skipToPeriod();
        // Close up to the program named; a name that matches none closes the innermost.
        int match = -1;
        for (int k = int(open.size()) - 1; k >= 0; --k)
            if (open[size_t(k)].name == name) {
                match = k;
                break;
            }
        if (open.empty()) {
            scopeFault(l, l, QStringLiteral("END PROGRAM %1 without a program").arg(name));
            return;
        }
        if (match < 0)
            match = int(open.size()) - 1;
        while (int(open.size()) > match)
            finishProgram(l);
    }

    void finishProgram(int endLine)
    {
        Program p = std::move(open.back());
        open.pop_back();
        p.endLine = endLine;
        for (Paragraph &pa : p.paragraphs)
            p.statements += pa.statements;
        res.programs.push_back(std::move(p));
        prog = open.empty() ? nullptr : &open.back();
        para = prog && !prog->paragraphs.empty() ? &prog->paragraphs.back() : nullptr;
    }

    // ---- Data division --------------------------------------------------------

    static bool isLevel(const QString &w)
    {
        if (w.isEmpty() || w.size() > 2 || !w[0].isDigit() || (w.size() == 2 && !w[1].isDigit()))
            return false;
        const int n = w.toInt();
        return (n >= 1 && n <= 49) || n == 66 || n == 77 || n == 88;
    }

    void dataDivision()
    {
        if (!atEnd() && cur().kind == Tok::Period)
            ++i;
        DataSection section = DataSection::Working;
        while (!atEnd()) {
            tick();
            if (divisionHeader("PROCEDURE") || programStart() || (curIs("END") && peekIs(1, "PROGRAM")))
                return;
            const Token &tok = cur();
            if (tok.kind == Tok::Word && peekIs(1, "SECTION")) {
                if (tok.text == QLatin1String("FILE"))
                    section = DataSection::File;
                else if (tok.text == QLatin1String("WORKING-STORAGE"))
                    section = DataSection::Working;
                else if (tok.text == QLatin1String("LOCAL-STORAGE"))
                    section = DataSection::Local;
                else if (tok.text == QLatin1String("LINKAGE"))
                    section = DataSection::Linkage;
                else
                    section = DataSection::Other;
                i += 2;
                skipToPeriod();
                continue;
            }
            if (tok.is("FD") || tok.is("SD") || tok.is("RD") || tok.is("CD")) {
                if (tok.is("FD") && i + 1 < t.size() && t[i + 1].kind == Tok::Word)
                    prog->describedFiles << t[i + 1].text;
                skipToPeriod();
                continue;
            }
            if (tok.is("EXEC")) {
                execBlock(nullptr);
                continue;
            }
            if (tok.kind == Tok::Word && isLevel(tok.text)) {
                dataEntry(prog->data, section);
                continue;
            }
            skipToPeriod();
        }
    }

    void dataEntry(std::vector<DataItem> &items, DataSection section)
    {
        DataItem d;
        d.level = cur().text.toInt();
        d.line = cur().line;
        d.fromCopy = cur().fromCopy;
        d.section = section;
        ++i;
        const size_t clauseStart = [&] {
            if (!atEnd() && cur().kind == Tok::Word && !isClauseWord(cur().text)) {
                d.name = cur().text;
                ++i;
            } else {
                d.name = QStringLiteral("FILLER");
            }
            return i;
        }();
        while (!atEnd() && cur().kind != Tok::Period) {
            if (isLevel(cur().text) && cur().kind == Tok::Word && i > clauseStart && t[i - 1].kind != Tok::Word
                && t[i - 1].kind != Tok::Literal)
                break;   // a missing period: the next entry begins
            if (divisionHeader("PROCEDURE") || (cur().kind == Tok::Word && peekIs(1, "SECTION")))
                break;
            const QString &w = cur().text;
            if (cur().kind == Tok::Picture) {
                d.picture = w;
            } else if (w == QLatin1String("REDEFINES") && i + 1 < t.size()) {
                d.redefines = t[++i].text;
            } else if (w == QLatin1String("OCCURS") && i + 1 < t.size()) {
                ++i;
                int n = cur().text.toInt();
                if (peekIs(1, "TO") && i + 2 < t.size()) {
                    i += 2;
                    n = cur().text.toInt();
                }
                d.occurs = qMax(n, 1);
            } else if (w == QLatin1String("DEPENDING")) {
                d.dependingOn = true;
            } else if (w == QLatin1String("EXTERNAL") || w == QLatin1String("GLOBAL")) {
                d.shared = true;
            } else if (w.startsWith(QLatin1String("COMP")) || w == QLatin1String("BINARY")
                       || w == QLatin1String("PACKED-DECIMAL") || w == QLatin1String("INDEX")
                       || w == QLatin1String("POINTER") || w == QLatin1String("NATIONAL")
                       || w == QLatin1String("FLOAT-SHORT") || w == QLatin1String("FLOAT-LONG")
                       || w == QLatin1String("PROCEDURE-POINTER") || w == QLatin1String("FUNCTION-POINTER")) {
                d.usage = w;
            } else if (w == QLatin1String("VALUE") || w == QLatin1String("VALUES")) {
                d.hasValue = true;
                // Values may hold words that look like clauses; skip them.
                ++i;
                while (!atEnd() && cur().kind != Tok::Period
                       && !(cur().kind == Tok::Word && isClauseWord(cur().text)
                            && cur().text != QLatin1String("VALUE") && cur().text != QLatin1String("VALUES")))
                    ++i;
                continue;
            }
            ++i;
        }
        d.declaration = shortText(t, clauseStart, i, 80);
        if (!atEnd() && cur().kind == Tok::Period)
            ++i;
        if (d.level == 88 || d.level == 66) {
            items.push_back(std::move(d));
            return;
        }
        // The group an entry belongs to: the nearest entry above with a lower level.
        if (d.level != 1 && d.level != 77) {
            for (int k = int(items.size()) - 1; k >= 0; --k) {
                const DataItem &above = items[size_t(k)];
                if (above.level == 88 || above.level == 66)
                    continue;
                if (above.section != d.section)
                    break;
                if (above.level < d.level) {
                    d.parent = k;
                    items[size_t(k)].hasChildren = true;
                    break;
                }
            }
        }
        items.push_back(std::move(d));
    }

    static bool isClauseWord(const QString &w)
    {
        static const QSet<QString> clauses = [] {
            QSet<QString> s;
            for (const char *c : {"PIC", "PICTURE", "USAGE", "VALUE", "VALUES", "OCCURS", "REDEFINES", "COMP",
                                  "COMP-1", "COMP-2", "COMP-3", "COMP-4", "COMP-5", "BINARY", "PACKED-DECIMAL",
                                  "DISPLAY", "INDEX", "POINTER", "SIGN", "JUST", "JUSTIFIED", "SYNC",
                                  "SYNCHRONIZED", "BLANK", "EXTERNAL", "GLOBAL", "COMPUTATIONAL", "RENAMES"})
                s.insert(QLatin1String(c));
            return s;
        }();
        return clauses.contains(w);
    }

    // ---- Procedure division ---------------------------------------------------

    Paragraph &newParagraph(const QString &name, bool section, int l)
    {
        if (para)
            para->lastLine = qMax(para->lastLine, l - 1);
        Paragraph p;
        p.name = name;
        p.isSection = section;
        p.line = l;
        p.lastLine = l;
        if (!section && para) {
            p.section = para->isSection ? int(prog->paragraphs.size()) - 1 : para->section;
        }
        if (!prog->paragraphs.empty() && prog->paragraphs.back().declaratives)
            p.declaratives = true;
        prog->paragraphs.push_back(std::move(p));
        para = &prog->paragraphs.back();
        return *para;
    }

    void procedureDivision()
    {
        prog->hasProcedure = true;
        const int l = line();
        i += 2;
        EntryPoint entry;
        entry.name = prog->name;
        entry.line = l;
        usingList(entry.params);
        prog->entries.insert(prog->entries.begin(), std::move(entry));
        skipToPeriod();
        bool declaratives = false;
        while (!atEnd()) {
            tick();
            if (programStart() || programIdAhead()) {
                // A nested program: it ends with its own END PROGRAM.
                beginProgram();
                return;
            }
            if (curIs("END") && peekIs(1, "PROGRAM"))
                return;
            if (curIs("DECLARATIVES") && peekIs(1, ".") ) {
                i += 2;
                continue;
            }
            if (curIs("DECLARATIVES")) {
                declaratives = true;
                ++i;
                if (!atEnd() && cur().kind == Tok::Period)
                    ++i;
                continue;
            }
            if (curIs("END") && peekIs(1, "DECLARATIVES")) {
                declaratives = false;
                i += 2;
                if (!atEnd() && cur().kind == Tok::Period)
                    ++i;
                continue;
            }
            const Token &tok = cur();
            if (tok.kind == Tok::Word && !verbs().contains(tok.text) && !isTerminator(tok.text)
                && !tok.is("ELSE") && !tok.is("WHEN") && i + 1 < t.size()
                && (t[i + 1].kind == Tok::Period || t[i + 1].is("SECTION"))) {
                const bool section = t[i + 1].is("SECTION");
                Paragraph &p = newParagraph(tok.text, section, tok.line);
                p.declaratives = declaratives;
                i += section ? 2 : 1;
                skipToPeriod();
                if (declaratives && curIs("USE"))
                    skipToPeriod();
                continue;
            }
            if (!para) {
                Paragraph &p = newParagraph(QString(), false, tok.line);
                p.declaratives = declaratives;
            }
            sentence();
        }
    }

    void usingList(std::vector<Parameter> &params)
    {
        QString direction = QStringLiteral("INOUT");
        if (curIs("USING")) {
            ++i;
            while (!atEnd() && cur().kind != Tok::Period && !curIs("RETURNING")) {
                if (curIs("BY")) {
                    ++i;
                    continue;
                }
                if (curIs("VALUE")) {
                    direction = QStringLiteral("IN");
                    ++i;
                    continue;
                }
                if (curIs("REFERENCE") || curIs("CONTENT")) {
                    direction = curIs("CONTENT") ? QStringLiteral("IN") : QStringLiteral("INOUT");
                    ++i;
                    continue;
                }
                if (cur().kind == Tok::Word && !curIs("OPTIONAL"))
                    params.push_back({cur().text, direction});
                ++i;
            }
        }
        if (curIs("RETURNING") && i + 1 < t.size()) {
            params.push_back({t[i + 1].text, QStringLiteral("RETURN")});
            i += 2;
        }
    }

    // A sentence: statements up to the period.
    void sentence()
    {
        const size_t before = i;
        statements(0, StopSentence);
        if (!atEnd() && cur().kind == Tok::Period) {
            ++i;
        } else if (!atEnd()) {
            const Token &tok = cur();
            if (isTerminator(tok.text) || tok.is("ELSE") || tok.is("WHEN")) {
                scopeFault(tok.line, tok.line,
                          QStringLiteral("%1 without an open statement").arg(tok.text));
                ++i;
            } else if (i == before) {
                ++i;   // nothing could be read here; move on
            }
        }
    }

    enum Stop { StopSentence = 0, StopElse = 1, StopWhen = 2, StopPhrase = 4 };

    bool phraseStart() const
    {
        if (atEnd())
            return false;
        const Token &a = cur();
        if (a.kind != Tok::Word)
            return false;
        const auto next = [&](size_t k) -> const QString & {
            static const QString none;
            return i + k < t.size() ? t[i + k].text : none;
        };
        if (a.text == QLatin1String("NOT")) {
            const QString &b = next(1);
            return b == QLatin1String("AT") || b == QLatin1String("INVALID") || b == QLatin1String("ON")
                   || b == QLatin1String("SIZE") || b == QLatin1String("EXCEPTION") || b == QLatin1String("OVERFLOW")
                   || b == QLatin1String("END-OF-PAGE") || b == QLatin1String("EOP");
        }
        if (a.text == QLatin1String("AT"))
            return next(1) == QLatin1String("END") || next(1) == QLatin1String("END-OF-PAGE") || next(1) == QLatin1String("EOP");
        if (a.text == QLatin1String("ON"))
            return next(1) == QLatin1String("SIZE") || next(1) == QLatin1String("OVERFLOW") || next(1) == QLatin1String("EXCEPTION");
        if (a.text == QLatin1String("INVALID"))
            return true;
        if (a.text == QLatin1String("SIZE"))
            return next(1) == QLatin1String("ERROR");
        return a.text == QLatin1String("END-OF-PAGE") || a.text == QLatin1String("EOP");
    }

    bool stopHere(int stops) const
    {
        if (atEnd())
            return true;
        const Token &tok = cur();
        if (tok.kind == Tok::Period)
            return true;
        if (tok.kind != Tok::Word)
            return false;
        if (isTerminator(tok.text))
            return true;
        if (tok.text == QLatin1String("ELSE") || tok.text == QLatin1String("WHEN"))
            return true;
        if ((stops & StopPhrase) && phraseStart())
            return true;
        if (programStart() || (tok.text == QLatin1String("END") && peekIs(1, "PROGRAM")))
            return true;
        return false;
    }

    void statements(int depth, int stops)
    {
        while (!stopHere(stops)) {
            tick();
            if (cur().kind == Tok::Word && verbs().contains(cur().text)) {
                statement(depth);
            } else if (curIs("NEXT") && peekIs(1, "SENTENCE")) {
                count(QStringLiteral("NEXT"));
                violation(RuleNextSentence, line(), line(), QStringLiteral("NEXT SENTENCE"));
                i += 2;
            } else if (phraseStart()) {
                return;
            } else {
                // A word where a statement should start: skip to the next verb.
                ++i;
                while (!stopHere(stops) && !(cur().kind == Tok::Word && verbs().contains(cur().text)))
                    ++i;
            }
        }
    }

    void count(const QString &)
    {
        ++para->statements;
    }

    void nest(int depth)
    {
        prog->maxNesting = qMax(prog->maxNesting, depth);
    }

    void decision(int depth, const QString &keyword, size_t from, size_t to)
    {
        ++prog->decisions;
        para->decisions.push_back({depth, t[qMin(from, t.size() - 1)].line, keyword, shortText(t, from, to)});
    }

    // Tokens up to the next verb or a stop; data names noted as read.
    size_t condition(int depth, const char *keyword)
    {
        const size_t start = i;
        while (!atEnd() && cur().kind != Tok::Period && !(cur().kind == Tok::Word && verbs().contains(cur().text))
               && !curIs("THEN") && !(curIs("NEXT") && peekIs(1, "SENTENCE")) && !isTerminator(cur().text)
               && !curIs("ELSE") && !curIs("WHEN")) {
            if (curIs("AND") || curIs("OR"))
                ++prog->decisions;
            else
                noteUse(false);
            ++i;
        }
        if (keyword)
            decision(depth, QLatin1String(keyword), start, i);
        para->predicates << shortText(t, start, i, 30);
        const size_t literal = literalCompared(start, i);
        if (literal && start > 0)
            violation(RuleLiteralComparison, t[start - 1].line, t[start - 1].line,
                      QStringLiteral("Literal %1 in %2 %3")
                          .arg(literalText(literal), t[start - 1].text, shortText(t, start, i)));
        return start;
    }

    // ---- Rules on single statements -------------------------------------------

    // An IF has been read: the IFs nested in it are faults when it has no
    // END-IF; once the outermost one is read, each nested fault is reported once.
    void finishIf(int line, bool closed)
    {
        std::vector<NestedIf> nested = std::move(openIfs.back());
        openIfs.pop_back();
        if (!closed)
            for (NestedIf &n : nested)
                if (!n.openedBy)
                    n.openedBy = line;
        if (openIfs.empty()) {
            for (const NestedIf &n : nested)
                if (n.openedBy)
                    violation(RuleNestedIf, n.line, n.line,
                              n.self ? QStringLiteral("IF nested in another IF has no END-IF")
                                     : QStringLiteral("IF nested in the IF of line %1, which has no END-IF").arg(n.openedBy));
            return;
        }
        std::vector<NestedIf> &outer = openIfs.back();
        outer.push_back({line, closed ? 0 : line, !closed});
        outer.insert(outer.end(), nested.begin(), nested.end());
    }

    bool calledWithParameters() const
    {
        if (prog->entries.empty())
            return false;
        for (const Parameter &p : prog->entries.front().params)
            if (p.direction != QLatin1String("RETURN"))
                return true;
        return false;
    }

    // The operands a statement may store into. Generous on purpose: an item
    // wrongly taken for never set would be a false report.
    void noteReceivers(const QString &verb, size_t from, size_t to)
    {
        static const QSet<QString> readOnly = [] {
            QSet<QString> s;
            for (const char *w : {"DISPLAY", "WRITE", "REWRITE", "RELEASE", "START", "DELETE", "OPEN", "CLOSE",
                                  "CANCEL", "STOP", "EXIT", "GOBACK", "CONTINUE", "EXHIBIT"})
                s.insert(QLatin1String(w));
            return s;
        }();
        // Verbs whose receiving operands follow one of these words; other
        // verbs (INITIALIZE, ACCEPT, SET, INSPECT, ...) may store into any.
        static const QHash<QString, QStringList> after{
            {QStringLiteral("MOVE"), {QStringLiteral("TO")}},
            {QStringLiteral("ADD"), {QStringLiteral("TO"), QStringLiteral("GIVING")}},
            {QStringLiteral("SUBTRACT"), {QStringLiteral("FROM"), QStringLiteral("GIVING")}},
            {QStringLiteral("MULTIPLY"), {QStringLiteral("BY"), QStringLiteral("GIVING")}},
            {QStringLiteral("DIVIDE"), {QStringLiteral("INTO"), QStringLiteral("BY"), QStringLiteral("GIVING"),
                                        QStringLiteral("REMAINDER")}},
            {QStringLiteral("READ"), {QStringLiteral("INTO")}},
            {QStringLiteral("RETURN"), {QStringLiteral("INTO")}},
            {QStringLiteral("STRING"), {QStringLiteral("INTO")}},
            {QStringLiteral("UNSTRING"), {QStringLiteral("INTO")}},
            {QStringLiteral("CALL"), {QStringLiteral("USING"), QStringLiteral("RETURNING")}},
        };
        if (readOnly.contains(verb))
            return;
        const auto markers = after.constFind(verb);
        const bool compute = verb == QLatin1String("COMPUTE");
        bool receiving = markers == after.constEnd();
        for (size_t k = from; k < to; ++k) {
            const Token &tok = t[k];
            if (compute && (tok.is("EQUAL") || (tok.kind == Tok::Op && tok.text == QLatin1String("="))))
                return;
            if (tok.kind != Tok::Word)
                continue;
            if (markers != after.constEnd() && markers->contains(tok.text)) {
                receiving = true;
                continue;
            }
            // A qualifier names the group, not what is stored ("COUNT IN" does).
            const bool qualifier = k >= 2 && (t[k - 1].is("OF") || t[k - 1].is("IN")) && !t[k - 2].is("COUNT")
                                   && !t[k - 2].is("DELIMITER") && !t[k - 2].is("TALLYING");
            if (receiving && !qualifier)
                prog->received.insert(tok.text);
        }
    }

    // ---- Literals in comparisons ------------------------------------------------

    enum class Operand { None, Item, Literal, Figurative, Other };

    struct OperandAt
    {
        Operand kind = Operand::None;
        size_t end = 0;
        size_t literal = 0;   // the literal's token
        bool negative = false;
    };

    static bool isNumber(const QString &w)
    {
        bool digit = false, point = false;
        for (const QChar c : w) {
            if (c.isDigit())
                digit = true;
            else if (c == u'.' && !point)
                point = true;
            else
                return false;
        }
        return digit;
    }

    static bool isFigurative(const QString &w)
    {
        static const QSet<QString> set = [] {
            QSet<QString> s;
            for (const char *f : {"ZERO", "ZEROS", "ZEROES", "SPACE", "SPACES", "HIGH-VALUE", "HIGH-VALUES",
                                  "LOW-VALUE", "LOW-VALUES", "QUOTE", "QUOTES", "NULL", "NULLS"})
                s.insert(QLatin1String(f));
            return s;
        }();
        return set.contains(w);
    }

    // Words of a condition that are no operand.
    static bool isConditionWord(const QString &w)
    {
        static const QSet<QString> set = [] {
            QSet<QString> s;
            for (const char *f : {"AND", "OR", "NOT", "IS", "THAN", "TO", "EQUAL", "EQUALS", "GREATER", "LESS",
                                  "THEN", "NUMERIC", "ALPHABETIC", "ALPHABETIC-LOWER", "ALPHABETIC-UPPER", "POSITIVE",
                                  "NEGATIVE", "TRUE", "FALSE", "OMITTED", "ALSO", "THRU", "THROUGH", "ANY", "OTHER"})
                s.insert(QLatin1String(f));
            return s;
        }();
        return set.contains(w);
    }

    size_t pastGroup(size_t k, size_t to) const
    {
        int level = 0;
        for (; k < to; ++k) {
            if (t[k].kind == Tok::LParen)
                ++level;
            else if (t[k].kind == Tok::RParen && --level <= 0)
                return k + 1;
        }
        return to;
    }

    // One operand without arithmetic: a literal, a figurative constant, an
    // identifier with its qualifiers and subscripts, or something else.
    OperandAt primary(size_t k, size_t to) const
    {
        OperandAt o;
        o.end = k;
        if (k >= to)
            return o;
        const Token &a = t[k];
        if (a.kind == Tok::Op && (a.text == QLatin1String("+") || a.text == QLatin1String("-")) && k + 1 < to
            && t[k + 1].kind == Tok::Word && isNumber(t[k + 1].text))
            return {Operand::Literal, k + 2, k + 1, a.text == QLatin1String("-")};
        if (a.kind == Tok::Literal)
            return {Operand::Literal, k + 1, k, false};
        if (a.kind == Tok::LParen)
            return {Operand::Other, pastGroup(k, to), 0, false};
        if (a.kind != Tok::Word || isConditionWord(a.text))
            return o;
        if (a.is("ALL") && k + 1 < to && t[k + 1].kind == Tok::Literal)
            return {Operand::Figurative, k + 2, 0, false};
        if (isNumber(a.text))
            return {Operand::Literal, k + 1, k, false};
        if (isFigurative(a.text))
            return {Operand::Figurative, k + 1, 0, false};
        // FUNCTION name (arguments), LENGTH OF x, ADDRESS OF x: no item of their own.
        const bool function = a.is("FUNCTION");
        const bool ofItem = (a.is("LENGTH") || a.is("ADDRESS")) && peekAt(k + 1, "OF");
        size_t e = qMin(to, k + (function ? 2 : ofItem ? 3 : 1));
        while (e + 1 < to && (t[e].is("OF") || t[e].is("IN")) && t[e + 1].kind == Tok::Word)
            e += 2;
        while (e < to && t[e].kind == Tok::LParen)
            e = pastGroup(e, to);
        return {function || ofItem ? Operand::Other : Operand::Item, e, 0, false};
    }

    bool peekAt(size_t k, const char *w) const { return k < t.size() && t[k].is(w); }

    // An operand; an arithmetic expression is neither an item nor a literal.
    OperandAt operand(size_t k, size_t to) const
    {
        OperandAt o = primary(k, to);
        const auto arithmetic = [](const QString &op) {
            return op == QLatin1String("+") || op == QLatin1String("-") || op == QLatin1String("*")
                   || op == QLatin1String("/") || op == QLatin1String("**");
        };
        while (o.kind != Operand::None && o.end < to && t[o.end].kind == Tok::Op && arithmetic(t[o.end].text)) {
            const OperandAt next = primary(o.end + 1, to);
            o.kind = Operand::Other;
            o.end = qMax(next.end, o.end + 1);
        }
        return o;
    }

    // A relational operator at k: the index after it, or 0.
    size_t relation(size_t k, size_t to) const
    {
        if (k < to && t[k].is("IS"))
            ++k;
        if (k < to && t[k].is("NOT"))
            ++k;
        if (k >= to)
            return 0;
        const Token &a = t[k];
        if (a.kind == Tok::Op)
            return a.text == QLatin1String("=") || a.text == QLatin1String("<") || a.text == QLatin1String(">")
                           || a.text == QLatin1String("<=") || a.text == QLatin1String(">=")
                       ? k + 1
                       : 0;
        if (a.is("EQUAL") || a.is("EQUALS"))
            return peekAt(k + 1, "TO") && k + 1 < to ? k + 2 : k + 1;
        if (!a.is("GREATER") && !a.is("LESS"))
            return 0;
        ++k;
        if (k < to && t[k].is("THAN"))
            ++k;
        if (k + 1 < to && t[k].is("OR") && t[k + 1].is("EQUAL")) {
            k += 2;
            if (k < to && t[k].is("TO"))
                ++k;
        }
        return k;
    }

    // The literal token of a comparison of an item with a literal other
    // than 0, 1 or the empty alphanumeric one; 0 when there is none.
    size_t comparedLiteral(const OperandAt &x, const OperandAt &y) const
    {
        const OperandAt *lit = x.kind == Operand::Literal && y.kind == Operand::Item   ? &x
                               : y.kind == Operand::Literal && x.kind == Operand::Item ? &y
                                                                                        : nullptr;
        if (!lit)
            return 0;
        const Token &tok = t[lit->literal];
        if (tok.kind == Tok::Literal) {
            // The opening quote follows a prefix such as X or N.
            qsizetype open = 0;
            while (open < tok.text.size() && tok.text[open] != u'\'' && tok.text[open] != u'"')
                ++open;
            return tok.text.size() - open <= 2 ? 0 : lit->literal;
        }
        const double value = tok.text.toDouble();
        return value == 0 || (value == 1 && !lit->negative) ? 0 : lit->literal;
    }

    QString literalText(size_t k) const
    {
        return k > 0 && t[k].kind == Tok::Word && t[k - 1].kind == Tok::Op && t[k - 1].text == QLatin1String("-")
                   ? QStringLiteral("-") + t[k].text
                   : t[k].text;
    }

    // The index after the next AND or OR, or to.
    size_t nextCondition(size_t k, size_t to) const
    {
        for (; k < to; ++k)
            if (t[k].is("AND") || t[k].is("OR"))
                return k + 1;
        return to;
    }

    // A relation condition in [from, to) that compares a data item with a
    // literal the rule does not let pass: the literal's token, or 0.
    size_t literalCompared(size_t from, size_t to) const
    {
        OperandAt subject;   // of the last relation, for abbreviated ones ("A = 1 OR 2", "A > 1 AND < 9")
        size_t k = from;
        while (k < to) {
            while (k < to && (t[k].is("NOT") || t[k].kind == Tok::LParen))
                ++k;
            if (k >= to)
                break;
            OperandAt left = subject;
            size_t rel = relation(k, to);
            if (!rel) {
                left = operand(k, to);
                if (left.kind == Operand::None) {
                    subject = OperandAt();
                    k = nextCondition(k, to);
                    continue;
                }
                rel = relation(left.end, to);
                if (!rel) {
                    // An abbreviated object, or a condition name or class test.
                    if (const size_t lit = comparedLiteral(subject, left))
                        return lit;
                    if (subject.kind == Operand::None || left.end >= to || !(t[left.end].is("AND") || t[left.end].is("OR")))
                        subject = OperandAt();
                    k = nextCondition(left.end, to);
                    continue;
                }
            }
            const OperandAt right = operand(rel, to);
            if (const size_t lit = comparedLiteral(left, right))
                return lit;
            subject = left;
            k = nextCondition(qMax(right.end, rel), to);
        }
        return 0;
    }

    // EVALUATE: a WHEN's objects against the subjects, ALSO by ALSO. Under
    // TRUE or FALSE an object is a condition of its own.
    void whenLiteral(size_t subj, size_t subjEnd, size_t from, size_t to, int line)
    {
        const auto split = [&](size_t a, size_t b) {
            std::vector<std::pair<size_t, size_t>> parts;
            size_t start = a;
            for (size_t k = a; k < b; ++k)
                if (t[k].is("ALSO")) {
                    parts.push_back({start, k});
                    start = k + 1;
                }
            parts.push_back({start, b});
            return parts;
        };
        const auto subjects = split(subj, subjEnd);
        const auto objects = split(from, to);
        size_t literal = 0;
        for (size_t n = 0; n < objects.size() && n < subjects.size() && !literal; ++n) {
            const auto [sa, sb] = subjects[n];
            auto [oa, ob] = objects[n];
            if (sb == sa + 1 && (t[sa].is("TRUE") || t[sa].is("FALSE"))) {
                literal = literalCompared(oa, ob);
                continue;
            }
            const OperandAt subject = operand(sa, sb);
            if (subject.kind != Operand::Item || subject.end != sb)
                continue;
            if (oa < ob && t[oa].is("NOT"))
                ++oa;
            const OperandAt first = operand(oa, ob);
            literal = comparedLiteral(subject, first);
            if (!literal && first.end < ob && (t[first.end].is("THRU") || t[first.end].is("THROUGH")))
                literal = comparedLiteral(subject, operand(first.end + 1, ob));
        }
        if (literal)
            violation(RuleLiteralComparison, line, line,
                      QStringLiteral("Literal %1 in EVALUATE %2 WHEN %3")
                          .arg(literalText(literal), shortText(t, subj, subjEnd, 30), shortText(t, from, to, 30)));
    }

    void noteUse(bool output)
    {
        const Token &tok = cur();
        if (tok.kind != Tok::Word || tok.text.isEmpty() || tok.text[0].isDigit() || verbs().contains(tok.text))
            return;
        static const QSet<QString> noise = [] {
            QSet<QString> s;
            for (const char *w : {"TO", "FROM", "BY", "INTO", "GIVING", "OF", "IN", "AND", "OR", "NOT", "IS", "ARE",
                                  "EQUAL", "EQUALS", "GREATER", "LESS", "THAN", "ZERO", "ZEROS", "ZEROES", "SPACE",
                                  "SPACES", "HIGH-VALUE", "HIGH-VALUES", "LOW-VALUE", "LOW-VALUES", "QUOTE", "QUOTES",
                                  "ALL", "TRUE", "FALSE", "ROUNDED", "REMAINDER", "CORRESPONDING", "CORR", "UPON",
                                  "DELIMITED", "SIZE", "WITH", "POINTER", "TALLYING", "REPLACING", "LEADING",
                                  "FIRST", "CHARACTERS", "BEFORE", "AFTER", "INITIAL", "USING", "RECORD", "NEXT",
                                  "KEY", "INPUT", "OUTPUT", "I-O", "EXTEND", "RUN", "TIMES", "UNTIL", "VARYING",
                                  "THRU", "THROUGH", "ON", "OTHER", "ALSO", "ANY", "THEN", "ADVANCING", "LINE",
                                  "LINES", "PAGE", "NUMERIC", "ALPHABETIC", "POSITIVE", "NEGATIVE", "DATE", "DAY",
                                  "TIME", "FUNCTION", "LENGTH", "ADDRESS", "CONTENT", "REFERENCE", "VALUE",
                                  "RETURNING", "DEPENDING", "CONVERTING", "COUNT", "DELIMITER", "OMITTED", "AT",
                                  "END", "TEST", "PROGRAM", "ERROR", "EXCEPTION", "OVERFLOW", "INVALID", "NULL",
                                  "NULLS", "SELF", "UP", "DOWN", "LOCK", "NO", "REWIND", "REEL", "UNIT", "REMOVAL"})
                s.insert(QLatin1String(w));
            return s;
        }();
        if (noise.contains(tok.text))
            return;
        (output ? para->outputs : para->inputs) << tok.text;
        if (!output && !prog->firstRead.contains(tok.text))
            prog->firstRead.insert(tok.text, tok.line);
        QList<int> &lines = prog->uses[tok.text];
        if (lines.isEmpty())
            prog->usedData << tok.text;
        if (lines.isEmpty() || lines.back() != tok.line)
            lines << tok.line;
    }

    void statement(int depth)
    {
        nest(depth);
        if (depth > kMaxDepth) {
            // Deeper than any real program: the rest is read flat, once said.
            if (!overflowed)
                scopeFault(cur().line, cur().line,
                          QStringLiteral("Statements nested deeper than %1 levels are read without their structure").arg(kMaxDepth));
            overflowed = true;
            count(cur().text);
            ++i;
            return;
        }
        const Token &verb = cur();
        const QString v = verb.text;
        const int l = verb.line;
        count(v);
        if (v == QLatin1String("IF")) {
            ++i;
            openIfs.emplace_back();
            condition(depth + 1, "IF");
            if (curIs("THEN"))
                ++i;
            branch(depth + 1);
            if (curIs("ELSE")) {
                ++i;
                branch(depth + 1);
            }
            const bool closed = curIs("END-IF");
            closeScope("END-IF", l);
            finishIf(l, closed);
            return;
        }
        if (v == QLatin1String("EVALUATE")) {
            ++i;
            const size_t subj = i;
            while (!atEnd() && !curIs("WHEN") && cur().kind != Tok::Period && !curIs("END-EVALUATE")) {
                noteUse(false);
                ++i;
            }
            const size_t subjEnd = i;
            para->predicates << shortText(t, subj, i, 30);
            bool other = false;
            while (curIs("WHEN")) {
                const size_t w = i;
                ++i;
                if (curIs("OTHER")) {
                    other = true;
                    ++i;
                } else {
                    while (!atEnd() && cur().kind != Tok::Period && !curIs("WHEN")
                           && !(cur().kind == Tok::Word && verbs().contains(cur().text)) && !isTerminator(cur().text)
                           && !(curIs("NEXT") && peekIs(1, "SENTENCE"))) {
                        noteUse(false);
                        ++i;
                    }
                    decision(depth + 1, "WHEN", w + 1, i);
                    whenLiteral(subj, subjEnd, w + 1, i, t[w].line);
                }
                statements(depth + 1, StopWhen);
            }
            if (!other)
                violation(RuleNoWhenOther, l, l, QStringLiteral("EVALUATE without WHEN OTHER"));
            closeScope("END-EVALUATE", l);
            return;
        }
        if (v == QLatin1String("PERFORM")) {
            perform(depth, l);
            return;
        }
        if (v == QLatin1String("SEARCH")) {
            ++i;
            while (!atEnd() && !phraseStart() && !curIs("WHEN") && cur().kind != Tok::Period) {
                if (curIs("VARYING") && i + 1 < t.size())
                    prog->received.insert(t[i + 1].text);
                ++i;
            }
            if (phraseStart())
                phrase(depth);
            while (curIs("WHEN")) {
                ++i;
                condition(depth + 1, "WHEN");
                statements(depth + 1, StopWhen);
            }
            closeScope("END-SEARCH", l);
            return;
        }
        if (v == QLatin1String("EXEC")) {
            execBlock(para);
            return;
        }
        if (v == QLatin1String("GO")) {
            ++i;
            if (curIs("TO"))
                ++i;
            const size_t first = i;
            int targets = 0;
            while (!atEnd() && cur().kind == Tok::Word && !verbs().contains(cur().text) && !curIs("DEPENDING")
                   && !isTerminator(cur().text) && !curIs("ELSE") && !curIs("WHEN")) {
                para->gotos.push_back({cur().text, QString(), l});
                ++targets;
                ++i;
            }
            violation(RuleGoTo, l, l, QStringLiteral("GO TO ") + shortText(t, first, i));
            if (curIs("DEPENDING")) {
                prog->decisions += qMax(0, targets - 1);
                while (!stopHere(0) && !(cur().kind == Tok::Word && verbs().contains(cur().text)))
                    ++i;
            } else if (depth == 0) {
                para->endReachable = false;
            }
            return;
        }
        if (v == QLatin1String("ALTER")) {
            ++i;
            violation(RuleAlter, l, l, QStringLiteral("ALTER"));
            while (!stopHere(0) && !(cur().kind == Tok::Word && verbs().contains(cur().text))) {
                if (cur().kind == Tok::Word && !curIs("TO") && !curIs("PROCEED"))
                    para->references << cur().text;
                ++i;
            }
            return;
        }
        if (v == QLatin1String("CALL")) {
            ++i;
            if (!atEnd()) {
                QString target = cur().text;
                if (cur().kind == Tok::Literal)
                    target = target.mid(1, target.size() - 2).toUpper();
                para->calls.push_back({target, QString(), l});
                ++i;
            }
            genericTail(depth, QStringLiteral("CALL"));
            return;
        }
        if (v == QLatin1String("STOP") || v == QLatin1String("GOBACK")
            || (v == QLatin1String("EXIT") && peekIs(1, "PROGRAM"))) {
            if (depth == 0)
                para->endReachable = false;
        }
        if (v == QLatin1String("STOP") && peekIs(1, "RUN") && (prog->nesting > 0 || calledWithParameters()))
            violation(RuleStopRunInSubprogram, l, l,
                      QStringLiteral("STOP RUN ends the whole run unit from %1, a %2")
                          .arg(prog->name, prog->nesting > 0 ? QStringLiteral("nested program")
                                                             : QStringLiteral("program called with USING")));
        if (v == QLatin1String("ENTRY")) {
            ++i;
            EntryPoint e;
            e.line = l;
            if (!atEnd()) {
                e.name = cur().text;
                if (cur().kind == Tok::Literal)
                    e.name = e.name.mid(1, e.name.size() - 2).toUpper();
                ++i;
            }
            usingList(e.params);
            prog->entries.push_back(std::move(e));
            return;
        }
        if (v == QLatin1String("SORT") || v == QLatin1String("MERGE")) {
            ++i;
            while (!stopHere(0) && !(cur().kind == Tok::Word && verbs().contains(cur().text))) {
                if ((curIs("INPUT") || curIs("OUTPUT")) && peekIs(1, "PROCEDURE")) {
                    i += 2;
                    if (curIs("IS"))
                        ++i;
                    if (!atEnd()) {
                        para->performs.push_back({cur().text, QString(), l});
                        if (peekIs(1, "THRU") || peekIs(1, "THROUGH")) {
                            para->performs.back().thru = i + 2 < t.size() ? t[i + 2].text : QString();
                            i += 2;
                        }
                    }
                }
                ++i;
            }
            return;
        }
        ++i;
        genericTail(depth, v);
    }

    // The rest of a statement: operands, then conditional phrases with their
    // statements, then the optional scope terminator.
    void genericTail(int depth, const QString &verb)
    {
        static const QSet<QString> scoped = [] {
            QSet<QString> h;
            for (const char *w : {"READ", "WRITE", "REWRITE", "DELETE", "START", "RETURN", "COMPUTE", "ADD",
                                  "SUBTRACT", "MULTIPLY", "DIVIDE", "STRING", "UNSTRING", "ACCEPT", "DISPLAY",
                                  "INVOKE", "XML", "JSON", "CALL", "RECEIVE"})
                h.insert(QLatin1String(w));
            return h;
        }();
        const QString terminator = scoped.contains(verb) ? QStringLiteral("END-") + verb : QString();
        bool output = false;
        const bool targetsAfterTo = verb == QLatin1String("MOVE") || verb == QLatin1String("ADD")
                                    || verb == QLatin1String("SET") || verb == QLatin1String("INITIALIZE");
        if (verb == QLatin1String("COMPUTE") || verb == QLatin1String("READ") || verb == QLatin1String("ACCEPT")
            || verb == QLatin1String("INITIALIZE"))
            output = verb != QLatin1String("READ");
        const size_t operands = i;
        while (!stopHere(StopPhrase) && !(cur().kind == Tok::Word && verbs().contains(cur().text))
               && !(curIs("NEXT") && peekIs(1, "SENTENCE"))) {
            if (curIs("TO") && targetsAfterTo)
                output = true;
            else if (curIs("GIVING") || curIs("INTO"))
                output = true;
            else if (cur().kind == Tok::Op && cur().text == QLatin1String("=") && verb == QLatin1String("COMPUTE"))
                output = false;
            else if (curIs("FROM") && verb == QLatin1String("WRITE"))
                output = false;
            else
                noteUse(output);
            ++i;
        }
        noteReceivers(verb, operands, i);
        static const QSet<QString> conditional = [] {
            QSet<QString> c;
            for (const char *w : {"READ", "WRITE", "REWRITE", "DELETE", "START", "RETURN", "COMPUTE", "ADD", "SUBTRACT",
                                  "MULTIPLY", "DIVIDE", "STRING", "UNSTRING", "CALL", "ACCEPT", "DISPLAY", "INVOKE",
                                  "XML", "JSON", "RECEIVE"})
                c.insert(QLatin1String(w));
            return c;
        }();
        bool phrases = false;
        while (conditional.contains(verb) && phraseStart()) {
            phrases = true;
            phrase(depth);
        }
        if (!terminator.isEmpty()) {
            if (!atEnd() && cur().kind == Tok::Word && cur().text == terminator) {
                ++i;
            } else if (!atEnd() && isTerminator(cur().text) && phrases && depth == 0) {
                scopeFault(cur().line, cur().line,
                          QStringLiteral("%1 does not close %2").arg(cur().text, verb));
                ++i;
            }
        }
    }

    void phrase(int depth)
    {
        const size_t start = i;
        if (curIs("NOT"))
            ++i;
        while (!atEnd() && (curIs("AT") || curIs("ON") || curIs("END") || curIs("INVALID") || curIs("KEY")
                            || curIs("SIZE") || curIs("ERROR") || curIs("EXCEPTION") || curIs("OVERFLOW")
                            || curIs("END-OF-PAGE") || curIs("EOP")))
            ++i;
        decision(depth + 1, t[start].text, start, i);
        nest(depth + 1);
        statements(depth + 1, StopPhrase);
    }

    void branch(int depth)
    {
        nest(depth);
        if (curIs("NEXT") && peekIs(1, "SENTENCE")) {
            ++para->statements;
            violation(RuleNextSentence, line(), line(), QStringLiteral("NEXT SENTENCE"));
            i += 2;
            return;
        }
        statements(depth, StopElse);
    }

    void closeScope(const char *terminator, int openedAt)
    {
        if (curIs(terminator)) {
            ++i;
            return;
        }
        if (!atEnd() && cur().kind == Tok::Word && isTerminator(cur().text)) {
            scopeFault(openedAt, cur().line,
                      QStringLiteral("%1 where %2 was expected").arg(cur().text, QLatin1String(terminator)));
            ++i;
        }
        // Otherwise the period (or an outer ELSE/WHEN) closes the statement implicitly.
    }

    void perform(int depth, int l)
    {
        ++i;
        const bool inlineForm = atEnd() || cur().kind != Tok::Word || curIs("VARYING") || curIs("UNTIL")
                                || curIs("WITH") || curIs("TEST") || curIs("FOREVER") || peekIs(1, "TIMES")
                                || (cur().text.size() && cur().text[0].isDigit() && peekIs(1, "TIMES"))
                                || verbs().contains(cur().text);
        if (!inlineForm) {
            ProcRef ref{cur().text, QString(), l};
            ++i;
            if ((curIs("OF") || curIs("IN")) && i + 1 < t.size())
                i += 2;
            if (curIs("THRU") || curIs("THROUGH")) {
                ++i;
                if (!atEnd()) {
                    ref.thru = cur().text;
                    ++i;
                }
                violation(RulePerformThru, l, l, QStringLiteral("PERFORM %1 THRU %2").arg(ref.target, ref.thru));
            }
            para->performs.push_back(ref);
            loopClause(depth);
            return;
        }
        loopClause(depth);
        statements(depth + 1, StopSentence);
        if (curIs("END-PERFORM")) {
            ++i;
        } else if (!atEnd() && cur().kind == Tok::Word && isTerminator(cur().text)) {
            scopeFault(l, cur().line,
                      QStringLiteral("%1 where END-PERFORM was expected").arg(cur().text));
            ++i;
        } else {
            scopeFault(l, line(), QStringLiteral("PERFORM without END-PERFORM"));
        }
    }

    // TIMES, UNTIL, VARYING ... AFTER; returns whether it loops on a condition.
    bool loopClause(int depth)
    {
        bool loop = false;
        if (curIs("WITH"))
            ++i;
        if (curIs("TEST")) {
            i += 2;
        }
        if (!atEnd() && peekIs(1, "TIMES") && (cur().kind == Tok::Word)) {
            i += 2;
            return false;
        }
        while (curIs("VARYING") || curIs("UNTIL") || curIs("AFTER")) {
            loop = true;
            const bool until = curIs("UNTIL");
            ++i;
            if (until) {
                condition(depth + 1, "UNTIL");
            } else {
                if (!atEnd() && cur().kind == Tok::Word)
                    prog->received.insert(cur().text);   // the loop's counter
                while (!atEnd() && !curIs("UNTIL") && cur().kind != Tok::Period
                       && !(cur().kind == Tok::Word && verbs().contains(cur().text)))
                    ++i;
            }
        }
        return loop;
    }

    // EXEC ... END-EXEC stays one statement; CICS transfers of control and
    // HANDLE labels are noted.
    void execBlock(Paragraph *owner)
    {
        const int l = line();
        ++i;
        const QString kind = atEnd() ? QString() : cur().text;
        if (prog) {
            if (kind == QLatin1String("CICS"))
                prog->cics = true;
            else if (kind == QLatin1String("SQL"))
                prog->sql = true;
            else if (kind == QLatin1String("DLI"))
                prog->dli = true;
        }
        const QString command = i + 1 < t.size() ? t[i + 1].text : QString();
        while (!atEnd() && !curIs("END-EXEC")) {
            // Any name in the block may be a host variable the command fills.
            if (prog && cur().kind == Tok::Word)
                prog->received.insert(cur().text);
            if (cur().kind == Tok::Period && i + 1 < t.size()
                && (programStart() || (t[i + 1].kind == Tok::Word && verbs().contains(t[i + 1].text))))
                break;
            if (owner && kind == QLatin1String("CICS") && i + 2 < t.size() && cur().kind == Tok::Word
                && t[i + 1].kind == Tok::LParen) {
                const Token &arg = t[i + 2];
                if ((curIs("PROGRAM")) && (command == QLatin1String("LINK") || command == QLatin1String("XCTL"))) {
                    QString target = arg.text;
                    if (arg.kind == Tok::Literal)
                        target = target.mid(1, target.size() - 2).toUpper();
                    owner->calls.push_back({target, QString(), l});
                } else if (command == QLatin1String("HANDLE") && arg.kind == Tok::Word) {
                    owner->references << arg.text;
                }
            }
            ++i;
        }
        if (curIs("END-EXEC")) {
            ++i;
        } else {
            scopeFault(l, line(), QStringLiteral("EXEC %1 without END-EXEC").arg(kind));
        }
        if (owner && kind == QLatin1String("CICS")
            && (command == QLatin1String("RETURN") || command == QLatin1String("XCTL")))
            owner->endReachable = false;
    }
};

} // namespace

ParseResult parse(const std::vector<Token> &tokens, const Checkpoint &checkpoint)
{
    ParseResult res;
    Parser p(tokens, checkpoint, res);
    // Programs live in a vector that grows while nested ones are read, so
    // reserve for the deepest nesting any source has.
    p.open.reserve(64);
    for (size_t k = 0; k + 1 < tokens.size(); ++k)
        if (tokens[k].is("END") && tokens[k + 1].is("PROGRAM")) {
            p.usesEndProgram = true;
            break;
        }
    p.run();
    // Nested programs finish before their parent: list them in source order.
    std::stable_sort(res.programs.begin(), res.programs.end(),
                     [](const Program &a, const Program &b) { return a.line < b.line; });
    return res;
}

} // namespace Cobol
