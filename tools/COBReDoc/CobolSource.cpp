// Source reading: reference format (fixed, with sequence and indicator
// columns, or free), continuation lines, comments, tokens, and COPY with
// REPLACING over tokens.
#include "Cobol.h"

#include "TextFile.h"

#include <QFileInfo>

namespace Cobol {

namespace {

constexpr int kMaxCopyDepth = 16;

bool isWordChar(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' || u == '_'
           || u == '#' || u == '@' || u == '$' || u >= 0xC0;
}

bool isBlank(QChar c)
{
    const ushort u = c.unicode();
    return u == ' ' || u == '\t' || u == '\f' || u == '\r' || u == 0;
}

QString upper(QStringView s)
{
    QString out(s.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (qsizetype i = 0; i < s.size(); ++i) {
        const ushort u = s[i].unicode();
        d[i] = (u >= 'a' && u <= 'z') ? QChar(u - 32) : (u < 0x80 ? s[i] : s[i].toUpper());
    }
    return out;
}

// A fixed-format line cannot have a letter or digit in column 7; free-format
// text almost always has one there somewhere near the top.
bool looksFree(const QStringList &lines)
{
    int suspicious = 0, counted = 0;
    for (const QString &line : lines) {
        if (counted >= 400)
            break;
        if (line.trimmed().isEmpty())
            continue;
        ++counted;
        const QString head = line.left(6).trimmed();
        if (head.startsWith(QLatin1String("*>")) || head.startsWith(QLatin1String(">>")))
            continue;
        if (line.size() < 7)
            continue;
        const QChar c = line.at(6);
        if (c != u' ' && c != u'*' && c != u'/' && c != u'-' && c != u'D' && c != u'd' && c != u'$' && c != u'\t')
            ++suspicious;
    }
    return suspicious > 0 && suspicious * 10 >= counted;
}

bool directiveSetsFree(const QString &upperLine, bool current)
{
    if (upperLine.contains(QLatin1String("FORMAT")) || upperLine.contains(QLatin1String("SOURCEFORMAT"))) {
        if (upperLine.contains(QLatin1String("FREE")))
            return true;
        if (upperLine.contains(QLatin1String("FIXED")))
            return false;
    }
    return current;
}

// Whether a literal is still open at the end of a line's text.
bool literalOpenAt(QStringView text)
{
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quote.isNull()) {
            if (c == u'\'' || c == u'"')
                quote = c;
            else if (c == u'*' && i + 1 < text.size() && text[i + 1] == u'>')
                return false;
        } else if (c == quote) {
            if (i + 1 < text.size() && text[i + 1] == quote)
                ++i;
            else
                quote = QChar();
        }
    }
    return !quote.isNull();
}

struct Lexer
{
    const QString &buf;
    std::vector<int> lineOf;     // buffer line index -> source line
    FileTokens &out;
    qsizetype pos = 0;
    int bufLine = 0;
    bool expectPicture = false;

    Lexer(const QString &b, FileTokens &o) : buf(b), out(o) {}

    int srcLine() const { return bufLine < int(lineOf.size()) ? lineOf[size_t(bufLine)] : int(lineOf.size()); }

    void push(Tok kind, QString text)
    {
        Token t;
        t.kind = kind;
        t.line = srcLine();
        t.text = std::move(text);
        out.tokens.push_back(std::move(t));
    }

    void run()
    {
        const qsizetype n = buf.size();
        while (pos < n) {
            const QChar c = buf[pos];
            const ushort u = c.unicode();
            if (u == '\n') {
                ++bufLine;
                ++pos;
                continue;
            }
            if (isBlank(c) || u == ',' || u == ';') {
                ++pos;
                continue;
            }
            if (expectPicture) {
                expectPicture = false;
                qsizetype e = pos;
                while (e < n && !isBlank(buf[e]) && buf[e] != u'\n')
                    ++e;
                qsizetype end = e;
                // A picture string ends before a separator period or comma.
                while (end > pos && (buf[end - 1] == u'.' || buf[end - 1] == u',' || buf[end - 1] == u';'))
                    --end;
                if (end == pos) {
                    // "PIC ." stands for nothing; let the period through.
                } else {
                    push(Tok::Picture, upper(QStringView(buf).mid(pos, end - pos)));
                    if (end < e && buf[end] == u'.')
                        push(Tok::Period, QStringLiteral("."));
                    pos = e;
                    continue;
                }
            }
            if (u == '*' && pos + 1 < n && buf[pos + 1] == u'>') {
                while (pos < n && buf[pos] != u'\n')
                    ++pos;
                continue;
            }
            if (u == '\'' || u == '"') {
                lexLiteral(QString());
                continue;
            }
            if (u == '.') {
                if (pos + 1 >= n || isBlank(buf[pos + 1]) || buf[pos + 1] == u'\n') {
                    push(Tok::Period, QStringLiteral("."));
                    ++pos;
                    continue;
                }
                if (pos + 1 < n && buf[pos + 1].isDigit()) {
                    lexWord();
                    continue;
                }
                ++pos;
                continue;
            }
            if (u == '(' || u == ')') {
                push(u == '(' ? Tok::LParen : Tok::RParen, QString(c));
                ++pos;
                continue;
            }
            if (u == '=' && pos + 1 < n && buf[pos + 1] == u'=') {
                push(Tok::PseudoText, QStringLiteral("=="));
                pos += 2;
                continue;
            }
            if (u == ':') {
                if (pseudoTag())
                    continue;
                push(Tok::Colon, QStringLiteral(":"));
                ++pos;
                continue;
            }
            if (u == '<' || u == '>' || u == '=' || u == '+' || u == '-' || u == '*' || u == '/' || u == '&') {
                QString op(c);
                if (pos + 1 < n && ((u == '<' || u == '>') && buf[pos + 1] == u'='))
                    op += buf[++pos];
                else if (u == '*' && pos + 1 < n && buf[pos + 1] == u'*')
                    op += buf[++pos];
                ++pos;
                push(Tok::Op, op);
                continue;
            }
            if (isWordChar(c)) {
                lexWord();
                continue;
            }
            ++out.garbage;
            ++pos;
        }
    }

    // ":TAG:" as a word or part of one, the way REPLACING pseudo-text names it.
    bool pseudoTag()
    {
        qsizetype e = pos + 1;
        while (e < buf.size() && isWordChar(buf[e]) && buf[e] != u'-')
            ++e;
        if (e == pos + 1 || e >= buf.size() || buf[e] != u':')
            return false;
        lexWord();
        return true;
    }

    void lexWord()
    {
        const qsizetype start = pos;
        const qsizetype n = buf.size();
        const bool leadingPoint = buf[pos] == u'.';   // ".05"
        if (leadingPoint)
            ++pos;
        while (pos < n) {
            const QChar c = buf[pos];
            if (isWordChar(c)) {
                ++pos;
            } else if (c == u':') {
                qsizetype e = pos + 1;
                while (e < n && isWordChar(buf[e]) && buf[e] != u'-')
                    ++e;
                if (e > pos + 1 && e < n && buf[e] == u':')
                    pos = e + 1;
                else
                    break;
            } else if (c == u'.' && !leadingPoint && pos + 1 < n && buf[pos + 1].isDigit() && buf[start].isDigit()) {
                ++pos;   // decimal point of a numeric literal
            } else {
                break;
            }
        }
        QString word = upper(QStringView(buf).mid(start, pos - start));
        // A trailing hyphen is never part of a word ("A-" before a continuation).
        if (pos < n && (buf[pos] == u'\'' || buf[pos] == u'"')
            && (word == QLatin1String("X") || word == QLatin1String("N") || word == QLatin1String("Z")
                || word == QLatin1String("G") || word == QLatin1String("B") || word == QLatin1String("NX")
                || word == QLatin1String("BX") || word == QLatin1String("U"))) {
            lexLiteral(word);
            return;
        }
        if (word == QLatin1String("PIC") || word == QLatin1String("PICTURE")) {
            push(Tok::Word, word);
            // "PIC IS X(3)": IS is not the picture.
            qsizetype p = pos;
            while (p < n && (isBlank(buf[p]) || buf[p] == u'\n'))
                ++p;
            if (p + 2 < n && upper(QStringView(buf).mid(p, 2)) == QLatin1String("IS") && isBlank(buf[p + 2])) {
                pos = p + 2;
            }
            expectPicture = true;
            return;
        }
        push(Tok::Word, std::move(word));
    }

    void lexLiteral(const QString &prefix)
    {
        const QChar quote = buf[pos];
        const qsizetype start = pos;
        ++pos;
        const qsizetype n = buf.size();
        while (pos < n && buf[pos] != u'\n') {
            if (buf[pos] == quote) {
                if (pos + 1 < n && buf[pos + 1] == quote) {
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
            ++pos;
        }
        push(Tok::Literal, prefix + buf.mid(start, pos - start));
    }
};

} // namespace

FileTokens tokenize(const QString &text)
{
    FileTokens result;
    const QStringList lines = TextFile::splitLines(text);
    bool free = looksFree(lines);
    result.freeFormat = free;
    QString buf;
    buf.reserve(text.size());
    std::vector<int> lineOf;
    lineOf.reserve(size_t(lines.size()) + 1);
    int number = 0;
    qsizetype lastLineStart = 0;
    bool inProgramHead = true;
    QString expanded;
    for (const QString &raw : lines) {
        ++number;
        ++result.counts.lines;
        QStringView line(raw);
        // Editors that wrote tabs meant stops every eight columns.
        if (!free && raw.contains(u'\t')) {
            expanded.clear();
            for (const QChar c : raw) {
                if (c == u'\t')
                    expanded.append(QString(8 - expanded.size() % 8, u' '));
                else
                    expanded.append(c);
            }
            line = QStringView(expanded);
        }
        QStringView body;
        bool comment = false, continuation = false;
        // Directives and listing controls carry no COBOL text.
        const QStringView lead = line.trimmed();
        if (lead.startsWith(QLatin1String(">>")) || (lead.startsWith(u'$') && !free)
            || (line.size() > 6 && line[6] == u'$' && !free)) {
            free = directiveSetsFree(upper(lead), free);
            continue;   // a directive: neither code nor comment
        }
        if (free) {
            if (lead.startsWith(QLatin1String("*>")) || (line.size() && (line[0] == u'*' || line[0] == u'/'))) {
                comment = true;
            } else if (line.size() && (line[0] == u'D' || line[0] == u'd') && line.size() > 1 && line[1] == u' ') {
                comment = true;   // debugging line
            } else {
                body = line;
            }
        } else {
            if (line.size() > 6) {
                const QChar ind = line[6];
                if (ind == u'*' || ind == u'/')
                    comment = true;
                else if (ind == u'D' || ind == u'd')
                    comment = true;   // debugging line, compiled only WITH DEBUGGING MODE
                else {
                    continuation = ind == u'-';
                    body = line.mid(7, 65);
                }
            }
        }
        if (comment) {
            ++result.counts.comment;
            continue;
        }
        // Library managers' includes (Panvalet "++INCLUDE", Librarian "-INC"
        // from column 1) stand for COPY.
        QString include;
        if (line.startsWith(QLatin1String("-INC ")))
            include = line.mid(5).trimmed().toString();
        else if (body.trimmed().startsWith(QLatin1String("++INCLUDE ")))
            include = body.trimmed().mid(10).trimmed().toString();
        if (!include.isEmpty()) {
            include = QStringLiteral("COPY ") + include.section(u' ', 0, 0).section(u'.', 0, 0) + QStringLiteral(".");
            body = QStringView(include);
        }
        const QStringView trimmed = body.trimmed();
        if (trimmed.isEmpty()) {
            continue;
        }
        if (trimmed.startsWith(QLatin1String("*>"))) {
            ++result.counts.comment;
            continue;
        }
        // Compiler option lines before the program ("CBL", "PROCESS") and
        // listing controls are not COBOL text.
        const QString firstWord = upper(trimmed.left(8)).section(u' ', 0, 0).section(u'.', 0, 0);
        if ((inProgramHead && (firstWord == QLatin1String("CBL") || firstWord == QLatin1String("PROCESS")))
            || firstWord == QLatin1String("EJECT") || firstWord == QLatin1String("SKIP1")
            || firstWord == QLatin1String("SKIP2") || firstWord == QLatin1String("SKIP3")
            || (firstWord == QLatin1String("TITLE") && trimmed.size() > 6 && (trimmed[6] == u'\'' || trimmed[6] == u'"'))) {
            continue;
        }
        if (firstWord.startsWith(QLatin1String("IDENTIFI")) || firstWord == QLatin1String("ID"))
            inProgramHead = false;
        ++result.counts.code;
        if (continuation && !buf.isEmpty() && buf.endsWith(u'\n')) {
            buf.chop(1);
            QStringView rest = body.trimmed();
            const QStringView previous = QStringView(buf).mid(lastLineStart);
            if (literalOpenAt(previous) && rest.size() && (rest[0] == u'\'' || rest[0] == u'"')) {
                // The literal runs on to column 72 of the line before.
                const qsizetype width = buf.size() - lastLineStart;
                if (width < 65)
                    buf.append(QString(65 - width, u' '));
                rest = rest.mid(1);
            }
            buf.append(rest);
            buf.append(u'\n');
            continue;
        }
        lastLineStart = buf.size();
        buf.append(body);
        buf.append(u'\n');
        lineOf.push_back(number);
    }
    Lexer lexer(buf, result);
    lexer.lineOf = std::move(lineOf);
    lexer.run();
    return result;
}

const FileTokens *CopyLibrary::load(const QString &path)
{
    auto it = m_cache.constFind(path);
    if (it != m_cache.constEnd())
        return &it.value();
    if (m_failed.contains(path))
        return nullptr;
    QFileInfo info(path);
    if (!info.isFile() || info.size() > qint64(64) * 1024 * 1024) {
        m_failed.insert(path, true);
        return nullptr;
    }
    try {
        FileTokens tokens = tokenize(TextFile::readText(path));
        return &m_cache.insert(path, std::move(tokens)).value();
    } catch (const std::exception &) {
        m_failed.insert(path, true);
        return nullptr;
    }
}

QString CopyLibrary::resolve(const QString &name, const QString &library) const
{
    return m_resolver ? m_resolver(name, library) : QString();
}

namespace {

// One REPLACING operand pair, as tokens.
struct Replacement
{
    std::vector<Token> from;
    std::vector<Token> to;
    bool leading = false;
    bool trailing = false;
};

QString unquote(const QString &text)
{
    if (text.size() >= 2 && (text[0] == u'\'' || text[0] == u'"'))
        return text.mid(1, text.size() - 2);
    return text;
}

struct Expander
{
    CopyLibrary &library;
    SourceText &out;
    const Checkpoint &checkpoint;
    QStringList stack;   // copybook paths being expanded
    int sinceCheck = 0;

    // Reads one operand: pseudo-text "== ... ==" or a single token.
    bool operand(const std::vector<Token> &t, size_t &i, std::vector<Token> &into)
    {
        if (i >= t.size())
            return false;
        if (t[i].kind == Tok::PseudoText) {
            ++i;
            while (i < t.size() && t[i].kind != Tok::PseudoText)
                into.push_back(t[i++]);
            if (i < t.size())
                ++i;
            return true;
        }
        if (t[i].kind == Tok::Period)
            return false;
        into.push_back(t[i++]);
        // A qualified or subscripted identifier stays one operand.
        while (i + 1 < t.size() && (t[i].is("OF") || t[i].is("IN")) && t[i + 1].kind == Tok::Word) {
            into.push_back(t[i++]);
            into.push_back(t[i++]);
        }
        return true;
    }

    static bool sameTokens(const std::vector<Token> &a, size_t at, const std::vector<Token> &b)
    {
        if (at + b.size() > a.size())
            return false;
        for (size_t k = 0; k < b.size(); ++k)
            if (a[at + k].kind != b[k].kind || a[at + k].text != b[k].text)
                return false;
        return true;
    }

    std::vector<Token> applyReplacing(const std::vector<Token> &src, const std::vector<Replacement> &reps)
    {
        if (reps.empty())
            return src;
        std::vector<Token> result;
        result.reserve(src.size());
        for (size_t i = 0; i < src.size();) {
            bool done = false;
            for (const Replacement &r : reps) {
                if (r.from.empty())
                    continue;
                const Token &t = src[i];
                if (r.leading || r.trailing) {
                    const QString &part = r.from.front().text;
                    if (t.kind == Tok::Word && t.text.size() > part.size()
                        && (r.leading ? t.text.startsWith(part) : t.text.endsWith(part))) {
                        Token nt = t;
                        const QString by = r.to.empty() ? QString() : r.to.front().text;
                        nt.text = r.leading ? by + t.text.mid(part.size()) : t.text.left(t.text.size() - part.size()) + by;
                        result.push_back(std::move(nt));
                        ++i;
                        done = true;
                        break;
                    }
                    continue;
                }
                if (sameTokens(src, i, r.from)) {
                    for (const Token &b : r.to) {
                        Token nt = b;
                        nt.line = t.line;
                        result.push_back(std::move(nt));
                    }
                    i += r.from.size();
                    done = true;
                    break;
                }
                // A tag such as :PFX: inside a word is replaced as text.
                const QString &tag = r.from.front().text;
                if (r.from.size() == 1 && tag.size() > 2 && tag.startsWith(u':') && tag.endsWith(u':')
                    && t.kind == Tok::Word && t.text.contains(tag)) {
                    Token nt = t;
                    nt.text.replace(tag, r.to.empty() ? QString() : r.to.front().text);
                    result.push_back(std::move(nt));
                    ++i;
                    done = true;
                    break;
                }
            }
            if (!done)
                result.push_back(src[i++]);
        }
        return result;
    }

    void problem(int rule, int line, const QString &detail)
    {
        out.problems.push_back({rule, line, line, detail});
    }

    void include(const QString &name, const QString &lib, const std::vector<Replacement> &reps, int line, int depth,
                 bool optional)
    {
        const QString path = library.resolve(name, lib);
        if (path.isEmpty()) {
            if (!optional)
                problem(RuleMissingCopybook, line, QStringLiteral("Copybook %1 not found").arg(name));
            return;
        }
        if (stack.contains(path) || depth >= kMaxCopyDepth) {
            problem(RuleRecursiveCopybook, line,
                    QStringLiteral("Copybook %1 includes itself%2").arg(name, stack.contains(path) ? QString() : QStringLiteral(" too deeply")));
            return;
        }
        const FileTokens *file = library.load(path);
        if (!file) {
            problem(RuleMissingCopybook, line, QStringLiteral("Copybook %1 cannot be read").arg(name));
            return;
        }
        if (!out.copybooks.contains(name))
            out.copybooks << name;
        out.copybookLines += file->counts.lines;
        std::vector<Token> tokens = applyReplacing(file->tokens, reps);
        for (Token &t : tokens) {
            t.line = line;
            t.fromCopy = true;
        }
        stack << path;
        expand(tokens, depth + 1);
        stack.removeLast();
    }

    void expand(const std::vector<Token> &t, int depth)
    {
        for (size_t i = 0; i < t.size();) {
            if (++sinceCheck >= 4096 && checkpoint) {
                sinceCheck = 0;
                checkpoint();
            }
            const Token &tok = t[i];
            if (tok.kind == Tok::Word && tok.text == QLatin1String("COPY") && i + 1 < t.size()
                && (t[i + 1].kind == Tok::Word || t[i + 1].kind == Tok::Literal)) {
                size_t j = i + 1;
                const QString name = unquote(t[j++].text);
                QString lib;
                if (j + 1 < t.size() && (t[j].is("OF") || t[j].is("IN"))) {
                    lib = unquote(t[j + 1].text);
                    j += 2;
                }
                if (j < t.size() && t[j].is("SUPPRESS"))
                    ++j;
                std::vector<Replacement> reps;
                if (j < t.size() && t[j].is("REPLACING")) {
                    ++j;
                    while (j < t.size() && t[j].kind != Tok::Period) {
                        Replacement r;
                        if (t[j].is("LEADING")) {
                            r.leading = true;
                            ++j;
                        } else if (t[j].is("TRAILING")) {
                            r.trailing = true;
                            ++j;
                        }
                        if (!operand(t, j, r.from))
                            break;
                        if (j < t.size() && t[j].is("BY"))
                            ++j;
                        else
                            break;
                        if (!operand(t, j, r.to))
                            break;
                        reps.push_back(std::move(r));
                    }
                }
                // Up to and including the period that ends the COPY statement.
                while (j < t.size() && t[j].kind != Tok::Period && !t[j].is("COPY"))
                    ++j;
                if (j < t.size() && t[j].kind == Tok::Period)
                    ++j;
                include(name, lib, reps, tok.line, depth, false);
                i = j;
                continue;
            }
            // EXEC SQL INCLUDE member END-EXEC brings in a member like COPY.
            if (tok.kind == Tok::Word && tok.text == QLatin1String("EXEC") && i + 3 < t.size() && t[i + 1].is("SQL")
                && t[i + 2].is("INCLUDE") && (t[i + 3].kind == Tok::Word || t[i + 3].kind == Tok::Literal)) {
                const QString name = unquote(t[i + 3].text);
                size_t j = i + 4;
                while (j < t.size() && !t[j].is("END-EXEC"))
                    ++j;
                if (j < t.size())
                    ++j;
                if (j < t.size() && t[j].kind == Tok::Period)
                    ++j;
                // SQLCA and SQLDA come from the precompiler, not from the job.
                const bool optional = name == QLatin1String("SQLCA") || name == QLatin1String("SQLDA");
                include(name, QString(), {}, tok.line, depth, optional);
                i = j;
                continue;
            }
            out.tokens.push_back(tok);
            ++i;
        }
    }
};

} // namespace

// REPLACE ==a== BY ==b== ... . applies to the text after it (copybooks
// expanded) up to the next REPLACE; REPLACE OFF . ends it.
void applyReplaceStatements(SourceText &out, Expander &expander)
{
    std::vector<Token> &t = out.tokens;
    bool any = false;
    for (size_t i = 0; i + 1 < t.size() && !any; ++i)
        any = t[i].is("REPLACE") && (t[i + 1].kind == Tok::PseudoText || t[i + 1].is("OFF"));
    if (!any)
        return;
    std::vector<Token> result, segment;
    std::vector<Replacement> active;
    const auto flush = [&] {
        std::vector<Token> replaced = expander.applyReplacing(segment, active);
        result.insert(result.end(), std::make_move_iterator(replaced.begin()), std::make_move_iterator(replaced.end()));
        segment.clear();
    };
    for (size_t i = 0; i < t.size();) {
        if (t[i].is("REPLACE") && i + 1 < t.size() && (t[i + 1].kind == Tok::PseudoText || t[i + 1].is("OFF"))) {
            flush();
            active.clear();
            size_t j = i + 1;
            if (t[j].is("OFF")) {
                ++j;
            } else {
                while (j < t.size() && t[j].kind == Tok::PseudoText) {
                    Replacement r;
                    if (!expander.operand(t, j, r.from) || j >= t.size() || !t[j].is("BY"))
                        break;
                    ++j;
                    if (!expander.operand(t, j, r.to))
                        break;
                    active.push_back(std::move(r));
                }
            }
            while (j < t.size() && t[j].kind != Tok::Period)
                ++j;
            i = j < t.size() ? j + 1 : j;
            continue;
        }
        segment.push_back(std::move(t[i++]));
    }
    flush();
    t = std::move(result);
}

SourceText readSource(const QString &text, CopyLibrary &library, const Checkpoint &checkpoint)
{
    SourceText out;
    FileTokens file = tokenize(text);
    out.counts = file.counts;
    out.freeFormat = file.freeFormat;
    out.garbage = file.garbage;
    out.tokens.reserve(file.tokens.size() + file.tokens.size() / 4);
    Expander expander{library, out, checkpoint, {}, 0};
    expander.expand(file.tokens, 0);
    applyReplaceStatements(out, expander);
    return out;
}

} // namespace Cobol
