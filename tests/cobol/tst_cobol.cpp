// The COBOL analyser: small programs showing one construct each, copybook
// expansion, the interface export rows, a run over the examples' COBOL
// system through "last.xml", bad inputs and the semaphore stop.

#include "Cobol.h"
#include "CobolRun.h"
#include "KorvelXML.h"
#include "SharedRoutinesCommon.h"
#include "TextFile.h"
#include "TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

using namespace Cobol;

namespace {

const QString kExamples = QStringLiteral(QUENBAR_EXAMPLES_DIR "/cobol/ORDERS");
const QString kExpected = QStringLiteral(COBOL_EXPECTED_DIR);

// Fixed reference format: sequence number, indicator, area A/B; lines that
// start with "*" or "-" carry their indicator.
QString fixedFormat(const QStringList &lines, const QString &tag = QStringLiteral("TESTPROG"))
{
    QStringList out;
    int n = 0;
    for (const QString &l : lines) {
        n += 10;
        const bool indicator = l.startsWith(u'*') || l.startsWith(u'-');
        const QString body = indicator ? l : QStringLiteral(" ") + l;
        out << QStringLiteral("%1%2%3").arg(n, 6, 10, QLatin1Char('0')).arg(body, -66).arg(tag);
    }
    return TextFile::joinLines(out);
}

QString program(const QStringList &procedure, const QStringList &data = {})
{
    QStringList l{QStringLiteral("IDENTIFICATION DIVISION."), QStringLiteral("PROGRAM-ID. TESTPROG."),
                  QStringLiteral("DATA DIVISION."), QStringLiteral("WORKING-STORAGE SECTION."),
                  QStringLiteral("01  WS-A   PIC 9."), QStringLiteral("01  WS-B   PIC 9.")};
    l << data;
    l << QStringLiteral("PROCEDURE DIVISION.");
    l << procedure;
    return fixedFormat(l);
}

Settings defaultSettings()
{
    Settings s;
    s.limits = {{QStringLiteral("MAXSTMT"), 500}, {QStringLiteral("MAXNEST"), 6}, {QStringLiteral("MAXPARM"), 12}};
    return s;
}

QList<int> rulesOf(const SourceAnalysis &a)
{
    QList<int> r;
    for (const PlacedViolation &v : a.violations)
        r << v.v.rule;
    std::sort(r.begin(), r.end());
    return r;
}

// Copybooks from a folder, by base name.
struct Library
{
    QTemporaryDir dir;
    CopyLibrary lib{[this](const QString &name, const QString &) {
        const QString path = dir.path() + u'/' + name.toUpper() + QStringLiteral(".cpy");
        return QFileInfo::exists(path) ? path : QString();
    }};
    void add(const QString &name, const QString &text)
    {
        QVERIFY(writeBytes(dir.path() + u'/' + name + QStringLiteral(".cpy"), text.toLatin1()));
    }
};

// The shell's staging of a system folder: COMP/MOD/SRC names and "last.xml".
struct Staged
{
    QString out;
    QStringList origs;
};

Staged stage(const QString &systemDir, const QString &out, const QString &metrics = QStringLiteral("11111111111111"),
             const QString &extraParameters = QString(), const QString &origInputDir = QStringLiteral("C:\\Legacy\\ORDERS"))
{
    Staged s{out, {}};
    QStringList files;
    QDirIterator it(systemDir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(systemDir).relativeFilePath(it.next());
    std::sort(files.begin(), files.end());
    QMap<QString, int> comps, mods;
    QStringList entries;
    int n = 0;
    for (const QString &rel : files) {
        ++n;
        const QStringList parts = rel.split(u'/');
        const QString comp = parts.value(0), mod = comp + u'/' + parts.value(1);
        if (!comps.contains(comp))
            comps.insert(comp, int(comps.size()) + 1);
        if (!mods.contains(mod))
            mods.insert(mod, int(mods.size()) + 1);
        const QString ext = QFileInfo(rel).suffix().toUpper();
        const QString staged = QStringLiteral("COMP%1\\MOD%2\\SRC%3.%4").arg(comps[comp], 4, 10, QLatin1Char('0'))
                                   .arg(mods[mod], 4, 10, QLatin1Char('0')).arg(n, 4, 10, QLatin1Char('0')).arg(ext);
        const QString target = out + QStringLiteral("/workinp/") + QString(staged).replace(u'\\', u'/');
        QDir().mkpath(QFileInfo(target).path());
        QFile::copy(systemDir + u'/' + rel, target);
        const QString num = QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
        entries << QStringLiteral("  <Orig_File_%1>%2</Orig_File_%1>").arg(num, QString(rel).replace(u'/', u'\\'));
        entries << QStringLiteral("  <File_%1>%2</File_%1>").arg(num, staged);
        s.origs << rel;
    }
    QStringList x;
    x << QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>") + QString(17, u' ')
      << QStringLiteral("<!--DOCTYPE OSTRIN SYSTEM \"Ostrin.dtd\"-->").leftJustified(56) << QStringLiteral("<QUENBAR_MIRETH>")
      << QStringLiteral(" <Names") + QString(49, u' ') << QStringLiteral("  Language = \"IBM Enterprise\"")
      << QStringLiteral("  ProductName = \"DemoLegacy\"") << QStringLiteral("  SystemName  = \"ORDERS\"")
      << QStringLiteral("  Version = \"1.0\"") << QStringLiteral(" />") << QStringLiteral(" <Parameters")
      << QStringLiteral("  Audit = \"Y\"") << QStringLiteral("  Comments = \"Y\"") << QStringLiteral("  Exports = \"Y\" ")
      << QStringLiteral("  Metrics = \"%1\" ").arg(metrics) << QStringLiteral("  Specs = \"YYYYY\" ")
      << QStringLiteral("  Rules = \"YYYYYYYYYYYYYYY\" ");
    if (!extraParameters.isEmpty())
        x << extraParameters;
    x << QStringLiteral(" /> ") << QStringLiteral(" <MaxLimits") << QStringLiteral("  MAXSTMT = \"500\" ")
      << QStringLiteral("  MAXNEST = \"6\" ") << QStringLiteral("  MAXPARM = \"12\" ") << QStringLiteral(" /> ")
      << QStringLiteral(" <Directories>") << QStringLiteral("  <Orig_Input_Dir>%1</Orig_Input_Dir>").arg(origInputDir)
      << QStringLiteral("  <Input_Dir>workinp</Input_Dir>") << QStringLiteral("  <Orig_Output_Dir>C:\\Out</Orig_Output_Dir>")
      << QStringLiteral("  <Output_Dir>.</Output_Dir>") << QStringLiteral("  <Work_Dir>.\\work</Work_Dir>")
      << QStringLiteral(" </Directories>") << QStringLiteral(" <Files>") << entries << QStringLiteral(" </Files>")
      << QStringLiteral("</QUENBAR_MIRETH>");
    TextFile::writeLines(out + QStringLiteral("/last.xml"), x);
    return s;
}

// Result text with the run's date and times taken out.
QString stable(QString text)
{
    static const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d "),
                                          QRegularExpression::MultilineOption);
    static const QRegularExpression date(QStringLiteral("Date(: |=\")\\d{4}-\\d\\d-\\d\\d"));
    static const QRegularExpression secs(QStringLiteral(", [0-9.]+ s(?=\\r?$)"), QRegularExpression::MultilineOption);
    text.replace(stamp, QString());
    text.replace(date, QStringLiteral("Date\\1DATE"));
    text.replace(secs, QStringLiteral(", TIME s"));
    return text;
}

QStringList resultFiles(const QString &out)
{
    QStringList files;
    for (const char *folder : {"Metrics", "Defis", "Specs", "Exports", "Dravik"}) {
        QDirIterator it(out + u'/' + QLatin1String(folder), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(out).relativeFilePath(it.next());
    }
    std::sort(files.begin(), files.end());
    return files;
}

QString defiFile(const QString &out, int source)
{
    QDirIterator it(out + QStringLiteral("/Defis"), {QStringLiteral("SRC%1.def").arg(source, 4, 10, QLatin1Char('0'))},
                    QDir::Files, QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}

} // namespace

class TestCobol : public QObject
{
    Q_OBJECT

private slots:
    void constructs_data();
    void constructs();
    void statementRules_data();
    void statementRules();
    void filesAccessed();
    void sourceFormats_data();
    void sourceFormats();
    void copybooks();
    void exportRows_data();
    void exportRows();
    void interfaces();
    void metricsLayout();
    void defiLayout();
    void specLayout();
    void exampleSystem();
    void exportsImport();
    void badInputs();
    void semaphoreStop();
    void parameterFile();
    void programPath();
    void copyFolder();
    void definitions();
};

void TestCobol::constructs_data()
{
    QTest::addColumn<QStringList>("procedure");
    QTest::addColumn<int>("statements");
    QTest::addColumn<int>("cyclomatic");
    QTest::addColumn<int>("nesting");
    QTest::addColumn<QList<int>>("rules");

    QTest::newRow("nested IF") << QStringList{"MAIN-PARA.", "    IF WS-A = 1", "       IF WS-B = 2 OR WS-B = 3",
                                              "          MOVE 1 TO WS-A", "       END-IF", "    ELSE", "       MOVE 2 TO WS-B",
                                              "    END-IF", "    STOP RUN."}
                               << 5 << 4 << 2 << QList<int>{RuleLiteralComparison};
    QTest::newRow("GO TO") << QStringList{"MAIN-PARA.", "    GO TO END-PARA.", "END-PARA.", "    STOP RUN."}
                           << 2 << 1 << 0 << QList<int>{RuleGoTo};
    QTest::newRow("ALTER") << QStringList{"MAIN-PARA.", "    ALTER SW-PARA TO PROCEED TO END-PARA", "    GO TO SW-PARA.",
                                          "SW-PARA.", "    GO TO MAIN-PARA.", "END-PARA.", "    STOP RUN."}
                           << 4 << 1 << 0 << QList<int>{RuleGoTo, RuleGoTo, RuleAlter};
    QTest::newRow("PERFORM THRU") << QStringList{"MAIN-PARA.", "    PERFORM A-PARA THRU B-PARA", "    STOP RUN.",
                                                 "A-PARA.", "    MOVE 1 TO WS-A.", "B-PARA.", "    EXIT."}
                                  << 4 << 1 << 0 << QList<int>{RulePerformThru};
    QTest::newRow("EVALUATE without WHEN OTHER")
        << QStringList{"MAIN-PARA.", "    EVALUATE WS-A", "      WHEN 1 MOVE 1 TO WS-B", "      WHEN 2 WHEN 3",
                       "         MOVE 2 TO WS-B", "    END-EVALUATE", "    STOP RUN."}
        << 4 << 4 << 1
        << QList<int>{RuleNoWhenOther, RuleLiteralComparison, RuleLiteralComparison, RuleUninitialised};
    QTest::newRow("EVALUATE with WHEN OTHER")
        << QStringList{"MAIN-PARA.", "    EVALUATE TRUE", "      WHEN WS-A = 1 CONTINUE", "      WHEN OTHER CONTINUE",
                       "    END-EVALUATE", "    GOBACK."}
        << 4 << 2 << 1 << QList<int>{RuleUninitialised};
    QTest::newRow("dead paragraph") << QStringList{"MAIN-PARA.", "    PERFORM USED-PARA", "    STOP RUN.", "USED-PARA.",
                                                   "    MOVE 1 TO WS-A.", "UNUSED-PARA.", "    MOVE 2 TO WS-A."}
                                    << 4 << 1 << 0 << QList<int>{RuleDeadParagraph};
    QTest::newRow("falls through") << QStringList{"MAIN-PARA.", "    MOVE 1 TO WS-A.", "NEXT-PARA.", "    STOP RUN."}
                                   << 2 << 1 << 0 << QList<int>{RuleFallThrough};
    QTest::newRow("performed section runs through its paragraphs")
        << QStringList{"MAIN SECTION.", "M1.", "    PERFORM WORK-SEC", "    STOP RUN.", "WORK-SEC SECTION.", "W1.",
                       "    MOVE 1 TO WS-A.", "W2.", "    MOVE 2 TO WS-B."}
        << 4 << 1 << 0 << QList<int>{};
    QTest::newRow("stray END-IF") << QStringList{"MAIN-PARA.", "    MOVE 1 TO WS-A", "    END-IF", "    STOP RUN."}
                                  << 2 << 1 << 0 << QList<int>{RuleUnbalancedScope};
    QTest::newRow("inline PERFORM without END-PERFORM")
        << QStringList{"MAIN-PARA.", "    PERFORM UNTIL WS-A > 5", "       ADD 1 TO WS-A.", "    STOP RUN."}
        << 3 << 2 << 1 << QList<int>{RuleUnbalancedScope, RuleLiteralComparison};
    QTest::newRow("NEXT SENTENCE") << QStringList{"MAIN-PARA.", "    IF WS-A = 1 NEXT SENTENCE", "    ELSE MOVE 1 TO WS-B.",
                                                  "    STOP RUN."}
                                   << 4 << 2 << 1 << QList<int>{RuleNextSentence, RuleUninitialised};
    QTest::newRow("conditional phrases") << QStringList{"MAIN-PARA.", "    COMPUTE WS-A = WS-B + 1",
                                                        "        ON SIZE ERROR MOVE 0 TO WS-A",
                                                        "        NOT ON SIZE ERROR MOVE 1 TO WS-B", "    END-COMPUTE",
                                                        "    STOP RUN."}
                                         << 4 << 3 << 1 << QList<int>{};
    QTest::newRow("EXEC CICS kept whole") << QStringList{"MAIN-PARA.",
                                                         "    EXEC CICS LINK PROGRAM('SUBPGM') COMMAREA(WS-A)",
                                                         "         IF GO TO END-IF END-EXEC", "    EXEC CICS RETURN END-EXEC."}
                                          << 2 << 1 << 0 << QList<int>{};
    QTest::newRow("nesting limit") << QStringList{"MAIN-PARA.", "    IF WS-A = 1", "     IF WS-A = 1", "      IF WS-A = 1",
                                                  "       IF WS-A = 1", "        IF WS-A = 1", "         IF WS-A = 1",
                                                  "          IF WS-A = 1", "            MOVE 1 TO WS-B.", "    GOBACK."}
                                   << 9 << 8 << 7
                                   << (QList<int>{RuleNestingLimit, RuleUninitialised} + QList<int>(6, RuleNestedIf));
}

void TestCobol::constructs()
{
    QFETCH(QStringList, procedure);
    Library lib;
    const SourceAnalysis a = analyseSource(program(procedure), lib.lib, defaultSettings(), false);
    QVERIFY(!a.failed);
    QCOMPARE(a.parsed.programs.size(), size_t(1));
    QTEST(a.metrics.statements, "statements");
    QTEST(a.metrics.cyclomatic, "cyclomatic");
    QTEST(a.metrics.nesting, "nesting");
    QList<int> expected;
    QFETCH(QList<int>, rules);
    expected = rules;
    std::sort(expected.begin(), expected.end());
    QCOMPARE(rulesOf(a), expected);
}

// Rules on single statements and data items: where each fires, and the
// near misses that must stay quiet. In program() the procedure's first line
// is line 8, plus one per extra data line.
void TestCobol::statementRules_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("rule");
    QTest::addColumn<QList<int>>("lines");

    QTest::newRow("nested IF ended by the period")
        << program({"MAIN-PARA.", "    IF WS-A = 1", "       MOVE 1 TO WS-B", "       IF WS-B = 1",
                    "          MOVE 0 TO WS-A.", "    STOP RUN."})
        << int(RuleNestedIf) << QList<int>{11};
    QTest::newRow("outer IF without END-IF around a closed one")
        << program({"MAIN-PARA.", "    IF WS-A = 1", "       IF WS-B = 1", "          MOVE 0 TO WS-A", "       END-IF",
                    "    ELSE", "       MOVE 1 TO WS-B.", "    STOP RUN."})
        << int(RuleNestedIf) << QList<int>{10};
    QTest::newRow("each nested IF once, also inside a PERFORM")
        << program({"MAIN-PARA.", "    IF WS-A = 1", "       IF WS-B = 1", "          IF WS-A = 0", "             MOVE 1 TO WS-B.",
                    "    IF WS-A = 1", "       PERFORM UNTIL WS-B = 1", "          IF WS-A = 1 MOVE 1 TO WS-B",
                    "       END-PERFORM", "    END-IF", "    STOP RUN."})
        << int(RuleNestedIf) << QList<int>{10, 11, 15};
    QTest::newRow("nested IFs closed by END-IF")
        << program({"MAIN-PARA.", "    IF WS-A = 1", "       IF WS-B = 1 MOVE 0 TO WS-A END-IF", "    ELSE",
                    "       IF WS-B = 0 MOVE 1 TO WS-A END-IF", "    END-IF", "    IF WS-B = 1 MOVE 1 TO WS-A.",
                    "    STOP RUN."})
        << int(RuleNestedIf) << QList<int>{};

    QTest::newRow("STOP RUN in a program called with USING")
        << fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. SUBPROG.", "DATA DIVISION.", "LINKAGE SECTION.",
                        "01  LK-A PIC X.", "PROCEDURE DIVISION USING LK-A.", "MAIN-PARA.", "    IF LK-A = SPACE",
                        "       STOP RUN", "    END-IF", "    GOBACK."})
        << int(RuleStopRunInSubprogram) << QList<int>{9};
    QTest::newRow("STOP RUN in a nested program")
        << fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. OUTER.", "PROCEDURE DIVISION.", "MAIN-PARA.",
                        "    CALL 'INNER'", "    STOP RUN.", "IDENTIFICATION DIVISION.", "PROGRAM-ID. INNER.",
                        "PROCEDURE DIVISION.", "I1.", "    STOP RUN.", "END PROGRAM INNER.", "END PROGRAM OUTER."})
        << int(RuleStopRunInSubprogram) << QList<int>{11};
    QTest::newRow("STOP RUN in the main program, GOBACK in a called one")
        << fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. ONE.", "PROCEDURE DIVISION.", "P1.", "    CALL 'TWO'",
                        "    STOP RUN.", "IDENTIFICATION DIVISION.", "PROGRAM-ID. TWO.", "DATA DIVISION.",
                        "LINKAGE SECTION.", "01  LK-A PIC X.", "PROCEDURE DIVISION USING LK-A.", "P2.", "    GOBACK."})
        << int(RuleStopRunInSubprogram) << QList<int>{};

    QTest::newRow("literal in IF, once per condition")
        << program({"MAIN-PARA.", "    IF WS-A = 5 AND WS-B NOT > 7 MOVE 1 TO WS-B END-IF",
                    "    IF 2 < WS-A MOVE 1 TO WS-B END-IF", "    IF WS-A = 0 OR 9 MOVE 1 TO WS-B END-IF", "    STOP RUN."})
        << int(RuleLiteralComparison) << QList<int>{9, 10, 11};
    QTest::newRow("literal in EVALUATE WHEN, PERFORM UNTIL, SEARCH WHEN")
        << program({"MAIN-PARA.", "    EVALUATE WS-A", "       WHEN 0 CONTINUE", "       WHEN 3 THRU 4 CONTINUE",
                    "       WHEN OTHER CONTINUE", "    END-EVALUATE", "    EVALUATE TRUE",
                    "       WHEN WS-B IS GREATER THAN OR EQUAL TO 6 CONTINUE", "       WHEN OTHER CONTINUE",
                    "    END-EVALUATE", "    PERFORM UNTIL WS-A > 8", "       ADD 1 TO WS-A", "    END-PERFORM",
                    "    SEARCH WS-ENTRY", "       WHEN WS-ENTRY (WS-IX) = 'AB' CONTINUE", "    END-SEARCH", "    STOP RUN."},
                   {"01  WS-TAB.", "    05  WS-ENTRY PIC X(2) OCCURS 5 INDEXED BY WS-IX."})
        << int(RuleLiteralComparison) << QList<int>{13, 17, 20, 24};
    QTest::newRow("0, 1, figurative constants, the empty literal, two items")
        << program({"MAIN-PARA.", "    IF WS-A = 0 OR WS-B = 1 OR WS-A NOT = ZERO MOVE 1 TO WS-B END-IF",
                    "    IF WS-T = SPACES OR WS-T = '' OR WS-T = ALL '*' MOVE 1 TO WS-B END-IF",
                    "    IF WS-A = WS-B OR WS-A + 2 > WS-B MOVE 1 TO WS-B END-IF",
                    "    EVALUATE WS-A WHEN 1 CONTINUE WHEN OTHER CONTINUE END-EVALUATE", "    STOP RUN."},
                   {"01  WS-T PIC X(3) VALUE SPACES."})
        << int(RuleLiteralComparison) << QList<int>{};

    QTest::newRow("numeric items read but never set, at their first use")
        << program({"MAIN-PARA.", "    MOVE 1 TO WS-A", "    IF WS-N = 0 DISPLAY WS-N END-IF", "    COMPUTE WS-B = WS-P + 1",
                    "    DISPLAY WS-P", "    MOVE 'AB' TO WS-X", "    STOP RUN."},
                   {"01  WS-N PIC 9(4) COMP.", "01  WS-GRP.", "    05  WS-P PIC S9(5)V99 COMP-3.", "    05  WS-X PIC X(4)."})
        << int(RuleUninitialised) << QList<int>{14, 15};
    // Read first, stored into later: any statement of the program counts.
    QTest::newRow("numeric items some statement stores into")
        << program({"MAIN-PARA.", "    DISPLAY WS-C1 WS-C2 WS-C3 WS-C4 WS-C5 WS-C6",
                    "    DISPLAY WS-C7 WS-C8 WS-C9 WS-G1 WS-G2 WS-R1 WS-SQL", "    MOVE WS-C1 TO WS-C2",
                    "    SUBTRACT 1 FROM WS-C3", "    MULTIPLY 2 BY WS-C4", "    DIVIDE 2 INTO WS-C5",
                    "    ACCEPT WS-C6 FROM DATE", "    PERFORM VARYING WS-C7 FROM 1 BY 1 UNTIL WS-C7 > WS-C1",
                    "       CONTINUE", "    END-PERFORM", "    SET WS-C8-ON TO TRUE",
                    "    UNSTRING WS-S DELIMITED BY SPACE INTO WS-S2 COUNT IN WS-C9", "    INITIALIZE WS-GRP",
                    "    CALL 'SUBPGM' USING WS-REC", "    EXEC SQL SELECT 1 INTO :WS-SQL FROM T1 END-EXEC",
                    "    STOP RUN."},
                   {"01  WS-C1 PIC 9(3) VALUE 0.", "01  WS-C2 PIC 9(3).", "01  WS-C3 PIC S9(3) COMP.",
                    "01  WS-C4 PIC 9(3).", "01  WS-C5 PIC 9(3).", "01  WS-C6 PIC 9(6).", "01  WS-C7 PIC 9(3).",
                    "01  WS-C8 PIC 9.", "    88  WS-C8-ON VALUE 1.", "01  WS-C9 PIC 9(3).", "01  WS-S PIC X(8) VALUE SPACES.",
                    "01  WS-S2 PIC X(8).", "01  WS-GRP.", "    05  WS-G1 PIC 9(3).", "    05  WS-G2 PIC 9(3) COMP-3.",
                    "01  WS-REC.", "    05  WS-R1 PIC 9(3).", "01  WS-SQL PIC S9(9) COMP."})
        << int(RuleUninitialised) << QList<int>{};
    QTest::newRow("group values, tables, overlays, shared and linkage items")
        << program({"MAIN-PARA.", "    DISPLAY WS-V1 WS-T1 (1) WS-OV-N WS-EXT LK-N", "    MOVE 'ABCD' TO WS-OV", "    GOBACK."},
                   {"01  WS-VALUES VALUE ZEROS.", "    05  WS-V1 PIC 9(3).", "01  WS-TAB.", "    05  WS-T1 PIC 9(3) OCCURS 3.",
                    "01  WS-OV PIC X(4).",
                    "01  WS-OV-N REDEFINES WS-OV PIC 9(4).", "01  WS-EXT PIC 9(3) EXTERNAL.", "LINKAGE SECTION.",
                    "01  LK-N PIC 9(3)."})
        << int(RuleUninitialised) << QList<int>{};
}

void TestCobol::statementRules()
{
    QFETCH(QString, source);
    QFETCH(int, rule);
    QFETCH(QList<int>, lines);
    Library lib;
    const SourceAnalysis a = analyseSource(source, lib.lib, defaultSettings(), false);
    QVERIFY2(!a.failed, qPrintable(a.problem));
    QList<int> found;
    QStringList details;
    for (const PlacedViolation &v : a.violations) {
        if (v.v.rule == rule)
            found << v.v.firstLine;
        details << QStringLiteral("%1 line %2: %3").arg(v.v.rule).arg(v.v.firstLine).arg(v.v.detail);
    }
    QVERIFY2(found == lines, qPrintable(details.join(u'\n')));
    // Unticked, the rule is not reported and not counted.
    if (lines.isEmpty())
        return;
    Settings off = defaultSettings();
    off.rules.assign(size_t(RuleCount), true);
    off.rules[size_t(rule - 1)] = false;
    const SourceAnalysis b = analyseSource(source, lib.lib, off, false);
    QVERIFY(!rulesOf(b).contains(rule));
    QCOMPARE(b.violations.size() + size_t(lines.size()), a.violations.size());
}

void TestCobol::filesAccessed()
{
    Library lib;
    // Each file once, though FILE-CONTROL and the FDs both name it.
    const SourceAnalysis a = analyseSource(
        fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. FILES.", "ENVIRONMENT DIVISION.", "INPUT-OUTPUT SECTION.",
                     "FILE-CONTROL.", "    SELECT IN-FILE ASSIGN TO INDD.", "    SELECT OPTIONAL OUT-FILE ASSIGN TO OUTDD",
                     "        FILE STATUS IS WS-STATUS.", "DATA DIVISION.", "FILE SECTION.", "FD  IN-FILE.",
                     "01  IN-REC PIC X(80).", "FD  OUT-FILE.", "01  OUT-REC PIC X(80).", "WORKING-STORAGE SECTION.",
                     "01  WS-STATUS PIC XX.", "PROCEDURE DIVISION.", "M.", "    OPEN INPUT IN-FILE OUTPUT OUT-FILE",
                     "    CLOSE IN-FILE OUT-FILE", "    GOBACK."}),
        lib.lib, defaultSettings(), false);
    QCOMPARE(a.metrics.files, 2);
    const QStringList met = metricsLines(a.metrics, defaultSettings(), QStringLiteral("T")).filter(QStringLiteral("FILE "));
    QCOMPARE(met.size(), 1);
    QVERIFY(met[0].startsWith(QLatin1String("FILE Number of files accessed")));
    QCOMPARE(met[0].section(u'>', 1).trimmed(), QStringLiteral("2"));
    // Without FILE-CONTROL the FDs name the files.
    const SourceAnalysis b = analyseSource(
        fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. FDONLY.", "DATA DIVISION.", "FILE SECTION.", "FD  LOG-FILE.",
                     "01  LOG-REC PIC X(80).", "PROCEDURE DIVISION.", "M.", "    GOBACK."}),
        lib.lib, defaultSettings(), false);
    QCOMPARE(b.metrics.files, 1);
}

void TestCobol::sourceFormats_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("statements");
    QTest::addColumn<int>("comments");
    QTest::addColumn<QString>("literal");   // the value of WS-T as the parser keeps it

    const QStringList data{"IDENTIFICATION DIVISION.", "PROGRAM-ID. FMT.", "DATA DIVISION.",
                           "WORKING-STORAGE SECTION."};
    // The tag in columns 73-80 holds words that would be statements.
    QTest::newRow("fixed, sequence and tag columns")
        << fixedFormat(QStringList(data) << "01  WS-T PIC X(20) VALUE 'AB'." << "PROCEDURE DIVISION."
                                         << "*   STOP RUN IN A COMMENT" << "MAIN." << "    DISPLAY WS-T" << "    GOBACK.",
                       QStringLiteral("GO TO X."))
        << 2 << 1 << "'AB'";
    QTest::newRow("continued literal")
        << fixedFormat(QStringList(data) << "01  WS-T PIC X(80) VALUE 'FIRST PART RUNS ON TO"
                                         << "-    'COLUMN 72'." << "PROCEDURE DIVISION." << "MAIN." << "    GOBACK.")
        << 1 << 0 << QString();
    QTest::newRow("tabs, REPLACE")
        << QStringLiteral("000100\tIDENTIFICATION DIVISION.\r\n\tPROGRAM-ID. FMT.\r\n\tREPLACE ==:V:== BY ==DISPLAY==.\r\n"
                          "\tPROCEDURE DIVISION.\r\n\tMAIN.\r\n\t    :V: 'A'\r\n\tREPLACE OFF.\r\n\t    GOBACK.\r\n")
        << 2 << 0 << QString();
    QTest::newRow("free format, lower case, floating comments")
        << QStringLiteral(">>SOURCE FORMAT FREE\r\nidentification division.\r\nprogram-id. fmt.\r\n*> a comment line\r\n"
                          "procedure division.\r\nmain.\r\n    display 'x' *> after code\r\n    move 1 to n\r\n    goback.\r\n")
        << 3 << 1 << QString();
    QTest::newRow("free format detected without directive")
        << QStringLiteral("IDENTIFICATION DIVISION.\r\nPROGRAM-ID. FMT.\r\nPROCEDURE DIVISION.\r\nMAIN-PARA.\r\n"
                          "DISPLAY 'A'\r\nSTOP RUN.\r\n")
        << 2 << 0 << QString();
}

void TestCobol::sourceFormats()
{
    QFETCH(QString, text);
    Library lib;
    const SourceAnalysis a = analyseSource(text, lib.lib, defaultSettings(), false);
    QVERIFY2(!a.failed, qPrintable(a.problem));
    QCOMPARE(a.parsed.programs.size(), size_t(1));
    QCOMPARE(a.parsed.programs.front().name, QStringLiteral("FMT"));
    QTEST(a.metrics.statements, "statements");
    QTEST(a.metrics.comment, "comments");
    QCOMPARE(rulesOf(a), QList<int>{});
    if (QTest::currentDataTag() == QLatin1String("continued literal")) {
        // The literal runs on past column 72 of the first line, and its text joins.
        const FileTokens t = tokenize(text);
        QString literal;
        for (const Token &tok : t.tokens)
            if (tok.kind == Tok::Literal)
                literal = tok.text;
        QVERIFY2(literal.startsWith(QStringLiteral("'FIRST PART")) && literal.endsWith(QStringLiteral("COLUMN 72'")),
                 qPrintable(literal));
        QVERIFY(literal.contains(QStringLiteral("RUNS ON TO ")));
    }
}

void TestCobol::copybooks()
{
    Library lib;
    lib.add(QStringLiteral("REC"), fixedFormat({"01  :P:-REC.", "    05  :P:-KEY  PIC X(4).", "    COPY SUB."}));
    lib.add(QStringLiteral("SUB"), fixedFormat({"    05  SUB-FIELD  PIC 9(3)."}));
    lib.add(QStringLiteral("LOOP"), fixedFormat({"    05  LOOP-FIELD PIC X.", "    COPY LOOP."}));
    lib.add(QStringLiteral("LEAD"), fixedFormat({"01  XX-ONE PIC X.", "01  XX-TWO PIC X."}));
    const QString text = fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. CPY.", "DATA DIVISION.",
                                      "WORKING-STORAGE SECTION.", "    COPY REC REPLACING ==:P:== BY ==IN==.",
                                      "    COPY LEAD REPLACING LEADING ==XX== BY ==YY==.", "01  GRP.", "    COPY LOOP.",
                                      "    COPY NOWHERE.", "PROCEDURE DIVISION.", "MAIN.", "    MOVE IN-KEY TO YY-ONE",
                                      "    GOBACK."});
    const SourceAnalysis a = analyseSource(text, lib.lib, defaultSettings(), false);
    QVERIFY(!a.failed);
    QStringList names;
    for (const DataItem &d : a.parsed.programs.front().data)
        names << d.name;
    QCOMPARE(names, (QStringList{"IN-REC", "IN-KEY", "SUB-FIELD", "YY-ONE", "YY-TWO", "GRP", "LOOP-FIELD"}));
    // The copybook's items stand at the line of the COPY statement.
    QCOMPARE(a.parsed.programs.front().data.front().line, 5);
    QCOMPARE(rulesOf(a), (QList<int>{RuleMissingCopybook, RuleRecursiveCopybook}));
    for (const PlacedViolation &v : a.violations)
        QCOMPARE(v.v.firstLine, v.v.rule == RuleMissingCopybook ? 9 : 8);
    QCOMPARE(a.metrics.statements, 2);

    // Library managers' includes and listing controls of the mainframe compilers.
    const QString managed = fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. INC.", "DATA DIVISION.",
                                         "WORKING-STORAGE SECTION.", "++INCLUDE SUB", "EJECT", "TITLE 'DATA'"})
                            + QStringLiteral("-INC SUB\r\n") + fixedFormat({"PROCEDURE DIVISION.", "MAIN.", "    GOBACK."});
    const SourceAnalysis b = analyseSource(managed, lib.lib, defaultSettings(), false);
    QStringList included;
    for (const DataItem &d : b.parsed.programs.front().data)
        included << d.name;
    QCOMPARE(included, (QStringList{"SUB-FIELD", "SUB-FIELD"}));
    QCOMPARE(rulesOf(b), QList<int>{});
}

void TestCobol::exportRows_data()
{
    QTest::addColumn<QString>("declaration");
    QTest::addColumn<QString>("row");

    QTest::newRow("PIC X") << "01  P1 PIC X(10)." << "PARAM;P1;1;INOUT;CHAR;10;;;PIC X(10)";
    QTest::newRow("display numeric") << "01  P1 PIC 9(8)." << "PARAM;P1;1;INOUT;NUMERIC;8;;;PIC 9(8)";
    QTest::newRow("packed with decimals") << "01  P1 PIC S9(7)V99 COMP-3." << "PARAM;P1;1;INOUT;PACKED;9;2;;PIC S9(7)V99 COMP-3";
    QTest::newRow("binary") << "01  P1 PIC S9(4) USAGE IS BINARY." << "PARAM;P1;1;INOUT;BINARY;4;;;PIC S9(4) USAGE IS BINARY";
    QTest::newRow("COMP-1") << "01  P1 COMP-1." << "PARAM;P1;1;INOUT;FLOAT;4;;;COMP-1";
    QTest::newRow("COMP-2") << "01  P1 COMP-2." << "PARAM;P1;1;INOUT;FLOAT;8;;;COMP-2";
    QTest::newRow("edited numeric") << "01  P1 PIC ZZ,ZZ9.99-." << "PARAM;P1;1;INOUT;CHAR;10;;;PIC ZZ,ZZ9.99-";
    QTest::newRow("usage after VALUE") << "01  P1 PIC S9(5) VALUE ZERO COMP-3." << "PARAM;P1;1;INOUT;PACKED;5;;;PIC S9(5) VALUE ZERO COMP-3";
    QTest::newRow("pointer") << "01  P1 USAGE POINTER." << "PARAM;P1;1;INOUT;HEX;4;;;USAGE POINTER";
    QTest::newRow("literal with a period") << "01  P1 PIC X(3) VALUE 'A. '." << "PARAM;P1;1;INOUT;CHAR;3;;;PIC X(3) VALUE 'A. '";
    QTest::newRow("group, OCCURS, REDEFINES, 88")
        << "01  P1.\r\n    05  P1-N PIC 9(4) OCCURS 1 TO 10 DEPENDING ON P1-C.\r\n    05  P1-X REDEFINES P1-N PIC X(40)."
           "\r\n        88  P1-EMPTY VALUE SPACES.\r\n    05  P1-C PIC 99."
        << "PARAM;P1;1;INOUT;GROUP\nPARAM;P1-N;5;;NUMERIC;4;;10;PIC 9(4) OCCURS 1 TO 10 DEPENDING ON P1-C\n"
           "PARAM;P1-X;5;;CHAR;40;;;REDEFINES P1-N PIC X(40)\nPARAM;P1-C;5;;NUMERIC;2;;;PIC 99";
    QTest::newRow("members of one group share the first member's level")
        << "01  P1.\r\n    05  P1-A PIC X.\r\n    03  P1-B PIC X."
        << "PARAM;P1;1;INOUT;GROUP\nPARAM;P1-A;5;;CHAR;1;;;PIC X\nPARAM;P1-B;5;;CHAR;1;;;PIC X";
}

void TestCobol::exportRows()
{
    QFETCH(QString, declaration);
    QFETCH(QString, row);
    QStringList l{"IDENTIFICATION DIVISION.", "PROGRAM-ID. EXP.", "DATA DIVISION.", "LINKAGE SECTION."};
    l << declaration.split(QStringLiteral("\r\n"));
    l << QStringList{"PROCEDURE DIVISION USING P1.", "MAIN.", "    GOBACK."};
    Library lib;
    const SourceAnalysis a = analyseSource(fixedFormat(l), lib.lib, defaultSettings(), false);
    QCOMPARE(a.parsed.programs.size(), size_t(1));
    const QStringList lines = exportLines(a.parsed.programs.front(), QStringLiteral("SYS"), QStringLiteral("exp.cbl"));
    QCOMPARE(lines.mid(0, 4), (QStringList{"RECORD;NAME;LEVEL;DIRECTION;DATATYPE;LENGTH;DECIMALS;OCCURS;DECLARATION",
                                          "EXPORT;1.0;SYS;LANG;COBOL;SOURCE;exp.cbl", "PROGRAM;EXP", "ENTRY;EXP"}));
    QCOMPARE(lines.mid(4).join(u'\n'), row);
}

void TestCobol::interfaces()
{
    Library lib;
    // A CICS transaction: DFHCOMMAREA, with DFHEIBLK of a translated program left out.
    const SourceAnalysis cics = analyseSource(
        fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. TRX.", "DATA DIVISION.", "LINKAGE SECTION.",
                     "01  DFHEIBLK PIC X(80).", "01  DFHCOMMAREA.", "    05  CA-KEY PIC X(8).",
                     "PROCEDURE DIVISION USING DFHEIBLK DFHCOMMAREA.", "MAIN.", "    EXEC CICS RETURN END-EXEC."}),
        lib.lib, defaultSettings(), false);
    QCOMPARE(exportLines(cics.parsed.programs.front(), "SYS", "trx.cbl").mid(3),
             (QStringList{"ENTRY;TRX", "PARAM;DFHCOMMAREA;1;INOUT;GROUP", "PARAM;CA-KEY;5;;CHAR;8;;;PIC X(8)"}));
    // Entry points, BY VALUE, RETURNING; a nested program is not exported.
    const SourceAnalysis sub = analyseSource(
        fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. OUTER.", "DATA DIVISION.", "LINKAGE SECTION.",
                     "01  A PIC X.", "01  B PIC 9.", "01  R PIC 9.", "PROCEDURE DIVISION USING BY VALUE A RETURNING R.",
                     "MAIN.", "    CALL 'INNER'", "    GOBACK.", "    ENTRY 'ALTENTRY' USING B.",
                     "IDENTIFICATION DIVISION.", "PROGRAM-ID. INNER.", "PROCEDURE DIVISION.", "I1.", "    GOBACK.",
                     "END PROGRAM INNER.", "END PROGRAM OUTER."}),
        lib.lib, defaultSettings(), false);
    QCOMPARE(sub.parsed.programs.size(), size_t(2));
    QCOMPARE(sub.parsed.programs[1].name, QStringLiteral("INNER"));
    QCOMPARE(sub.parsed.programs[1].nesting, 1);
    QCOMPARE(exportLines(sub.parsed.programs.front(), "SYS", "o.cbl").mid(3),
             (QStringList{"ENTRY;OUTER", "PARAM;A;1;IN;CHAR;1;;;PIC X", "PARAM;R;1;RETURN;NUMERIC;1;;;PIC 9",
                          "ENTRY;ALTENTRY", "PARAM;B;1;INOUT;NUMERIC;1;;;PIC 9"}));
    // Two programs one after the other without END PROGRAM are both outermost.
    const SourceAnalysis batch = analyseSource(
        fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. ONE.", "PROCEDURE DIVISION.", "P1.", "    GOBACK.",
                     "IDENTIFICATION DIVISION.", "PROGRAM-ID. TWO.", "PROCEDURE DIVISION.", "P2.", "    GOBACK."}),
        lib.lib, defaultSettings(), false);
    QCOMPARE(batch.parsed.programs.size(), size_t(2));
    QCOMPARE(batch.parsed.programs[1].nesting, 0);
}

void TestCobol::metricsLayout()
{
    Library lib;
    const QString text = program({"MAIN-PARA.", "    IF WS-A = 1 MOVE 1 TO WS-B END-IF", "    GO TO END-PARA.",
                                  "END-PARA.", "    STOP RUN."});
    Settings all = defaultSettings();
    const SourceAnalysis a = analyseSource(text, lib.lib, all, false);
    const QStringList lines = metricsLines(a.metrics, all, QStringLiteral("T"));
    // The ranking reads from the bottom: the quality key, then the complexity
    // key above it, then the size key "number of statements" above that.
    QVERIFY(lines.last().toLower().contains(QStringLiteral("program")) && lines.last().toLower().contains(QStringLiteral("quality")));
    int complexity = -1, size = -1;
    for (int k = int(lines.size()) - 1; k >= 0; --k) {
        const QString low = lines[k].toLower();
        if (complexity < 0 && low.contains(QStringLiteral("complexity")) && low.contains(QStringLiteral("program")))
            complexity = k;
        if (complexity >= 0 && size < 0 && low.contains(QStringLiteral("number of statements")))
            size = k;
    }
    QVERIFY(complexity > 0 && size > 0 && size < complexity);
    const auto valueOf = [&](int k) { return lines[k].section(u'>', 1).trimmed().section(u' ', 0, 0); };
    QCOMPARE(valueOf(size), QStringLiteral("4"));
    QCOMPARE(lines[size].section(u' ', 1).section(u'=', 0, 0).simplified(), QStringLiteral("Number of statements"));
    // Metrics with weight 0 are left out; the quality follows the weights.
    Settings conformOnly = defaultSettings();
    conformOnly.weights = {1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0};
    const SourceAnalysis b = analyseSource(text, lib.lib, conformOnly, false);
    const QStringList few = metricsLines(b.metrics, conformOnly, QStringLiteral("T"));
    QCOMPARE(few.filter(QStringLiteral("= >")).size(), 5);   // LINE, STMT, CPLX, CONF, QUAL
    QCOMPARE(few.last().section(u'>', 1).trimmed(), QString::number(b.metrics.conformity, 'f', 3));
    QCOMPARE(few.filter(QStringLiteral("CPLX")).value(0).section(u'>', 1).trimmed(), QStringLiteral("0.000"));
    QVERIFY(b.metrics.conformity < 1.0);
}

void TestCobol::defiLayout()
{
    Library lib;
    const SourceAnalysis a = analyseSource(program({"MAIN-PARA.", "    GO TO END-PARA.", "DEAD-PARA.", "    EXIT.",
                                                    "END-PARA.", "    STOP RUN."}),
                                           lib.lib, defaultSettings(), false);
    const QStringList lines = defiLines(a, QStringLiteral("MOD\\prog.cbl"));
    // Read back as the deficiency viewer and the ranking read it.
    QString source;
    QStringList rules;
    QList<int> numbers;
    int stats = -1;
    for (int k = 0; k < lines.size(); ++k) {
        const QString &l = lines[k];
        if (l.startsWith(QLatin1String("|   SOURCE: ")))
            source = l.mid(12).section(QStringLiteral("PAGE:"), 0, 0).section(u'|', 0, 0).trimmed().section(u'\\', 1);
        else if (l.startsWith(QLatin1String("| DEFI")) || l.startsWith(QLatin1String("| PROB")) || l.startsWith(QLatin1String("| WARN")))
            rules << l.mid(9, l.lastIndexOf(u'|') - 9).trimmed();
        else if (l.startsWith(QLatin1String("|   Number of major Rule Violations =")))
            stats = k;
        else {
            bool ok = false;
            const int n = l.mid(1, 7).trimmed().toInt(&ok);
            if (ok)
                numbers << n;
        }
    }
    QCOMPARE(source, QStringLiteral("prog.cbl"));
    QCOMPARE(rules, (QStringList{"01 GO TO statement used", "06 Dead paragraph, never performed or reached"}));
    QCOMPARE(numbers, (QList<int>{9, 10}));
    QVERIFY(stats > 0 && stats + 9 < lines.size());
    QCOMPARE(lines[stats + 1].section(u'|', 1, 1).trimmed(), QStringLiteral("Number of medium Rule Violations =       2"));
}

// A listing as the specification viewer reads it: the header, the list type
// from the line after next, comments up to "+--", the table header, then
// the content in which a "-" line announces an item line.
struct ReadListing
{
    QString program, type, header;
    QStringList comments, items;
};

ReadListing readListing(const QStringList &lines)
{
    ReadListing r;
    const QString head = QStringLiteral("/ Post Documentation of Program:");
    if (lines.isEmpty() || !lines[0].startsWith(head))
        return r;
    r.program = lines[0].mid(head.size()).section(QStringLiteral("Date:"), 0, 0).trimmed().section(u'\\', 1);
    r.type = lines.value(2).left(lines.value(2).indexOf(r.program)).section(u':', 0, 0).mid(1).trimmed();
    int k = 3;
    for (; k < lines.size() && !lines[k].startsWith(QLatin1String("+--")); ++k)
        r.comments << lines[k].mid(1).chopped(2).trimmed();
    while (k < lines.size() && lines[k].startsWith(QLatin1String("+--")))
        ++k;
    if (r.type != QLatin1String("Data Flow  Structure") && k < lines.size()) {
        r.header = QString(lines[k++]).replace(u'|', u' ');
        if (k < lines.size() && lines[k].startsWith(QLatin1String("+--")))
            ++k;
    }
    for (; k + 1 < lines.size(); ++k)
        if (lines[k].startsWith(u'-'))
            r.items << lines[k + 1];
    return r;
}

void TestCobol::specLayout()
{
    Library lib;
    const QString text = fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. SPEC.", "DATA DIVISION.", "LINKAGE SECTION.",
                                      "01  LK-IN  PIC X(4).", "PROCEDURE DIVISION USING LK-IN.", "MAIN-PARA.",
                                      "    IF LK-IN = 'A'", "       PERFORM WORK-PARA", "    END-IF",
                                      "    CALL 'OTHER' USING LK-IN", "    GOBACK.", "WORK-PARA.", "    MOVE LK-IN TO LK-IN."});
    const SourceAnalysis a = analyseSource(text, lib.lib, defaultSettings(), false);
    const QString name = QStringLiteral("MOD\\spec.cbl");
    const QStringList types{"Interface  Structure", "Procedural Structure", "Decisional Structure", "Data Flow  Structure",
                            "Used Data  Structure"};
    for (int type = 1; type <= 5; ++type) {
        const ReadListing r = readListing(specLines(a, type, name, QStringLiteral("2026-01-01")));
        QCOMPARE(r.program, QStringLiteral("spec.cbl"));
        QCOMPARE(r.type, types[type - 1]);
        QCOMPARE(r.comments.size(), 1);
        QVERIFY(!r.comments.front().isEmpty() && !r.comments.front().endsWith(u'|'));
        QCOMPARE(r.header.isEmpty(), type == 4);
    }
    // Interface items: the caption from column 24, the source line in columns 2 to 6.
    const ReadListing inf = readListing(specLines(a, 1, name, QString()));
    QCOMPARE(inf.items.value(0).mid(23), QStringLiteral("Entry SPEC USING LK-IN"));
    QCOMPARE(inf.items.value(0).mid(1, 5).trimmed().toInt(), 6);
    QCOMPARE(inf.items.value(1).mid(23), QStringLiteral("Calls OTHER"));
    // Procedural items: the kind in columns 11 to 19, the name from column 20.
    const ReadListing prc = readListing(specLines(a, 2, name, QString()));
    QStringList captions;
    for (const QString &item : prc.items)
        captions << item.mid(10, 9).trimmed() + u':' + item.mid(19).trimmed() + u'@' + item.mid(1, 5).trimmed();
    QCOMPARE(captions, (QStringList{"PROGRAM:SPEC@1", "PARAGRAPH:MAIN-PARA@7", "PARAGRAPH:WORK-PARA@13"}));
    // Decisional items: the depth in columns 1 to 3, the line in columns 5 to 9.
    const ReadListing dec = readListing(specLines(a, 3, name, QString()));
    QStringList decisions;
    for (const QString &item : dec.items)
        decisions << item.left(3).trimmed() + u' ' + item.mid(4, 5).trimmed() + u' ' + item.mid(10, 8).trimmed() + u' '
                         + item.mid(18).trimmed();
    QCOMPARE(decisions, (QStringList{"0 7 PARA SPEC.MAIN-PARA", "1 8 IF LK-IN = 'A'", "0 13 PARA SPEC.WORK-PARA"}));
    // Data flow: an entry per paragraph; columns 1-32, 33-61, 62-93 from the fifth line on.
    const QStringList dat = specLines(a, 4, name, QString());
    const int work = int(dat.indexOf(QStringLiteral("Paragraph: SPEC.WORK-PARA")));
    QVERIFY(work > 0 && dat[work - 1].startsWith(u'-'));
    QCOMPARE(dat.value(work + 4).left(32).trimmed(), QStringLiteral("LK-IN"));
    QCOMPARE(dat.value(work + 4).mid(61, 32).trimmed(), QStringLiteral("LK-IN"));
}

void TestCobol::exampleSystem()
{
    QTemporaryDir tmp;
    const QString out = tmp.path() + QStringLiteral("/out");
    QDir().mkpath(out);
    stage(kExamples, out);
    QCOMPARE(runAnalyser({out + QStringLiteral("/last.xml")}), int(ExitOk));
    // Nothing beside the output directory.
    QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"out"});
    const QStringList files = resultFiles(out);
    const bool update = qEnvironmentVariableIsSet("QUENBAR_UPDATE_EXPECTED");
    if (update) {
        QDir(kExpected).removeRecursively();
        for (const QString &f : files)
            QVERIFY(writeBytes(kExpected + u'/' + f, stable(TextFile::readText(out + u'/' + f)).toLatin1()));
    }
    QStringList expected;
    QDirIterator it(kExpected, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        expected << QDir(kExpected).relativeFilePath(it.next());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(files, expected);
    for (const QString &f : files)
        QCOMPARE(TextFile::splitLines(stable(TextFile::readText(out + u'/' + f))),
                 TextFile::splitLines(TextFile::readText(kExpected + u'/' + f)));
    // The summary reads through the document model as the compound metrics do.
    TMyXMLNodeList doc(TMyXMLNodeList::FromFile, out + QStringLiteral("/Dravik/ORDERS.xml"), true);
    QCOMPARE(doc.FindNode(QStringLiteral("Nr_Modules"), 0)->GetValueAsInteger(), 5);
    QVERIFY(doc.FindNode(QStringLiteral("Nr_Stmts"), 0)->GetValueAsInteger() > 0);
    QCOMPARE(doc.FindNode(QStringLiteral("METRIC_FILE"), 0)->GetAttribute(QStringLiteral("Product")), QStringLiteral("DemoLegacy"));
}

void TestCobol::exportsImport()
{
    QTemporaryDir tmp;
    const QString out = tmp.path();
    stage(kExamples, out);
    QCOMPARE(runAnalyser({out + QStringLiteral("/last.xml")}), int(ExitOk));
    // The workbench's converter run: staged copies, "lastprc.xml", WSDLProc.
    QStringList entries;
    int n = 0;
    QDirIterator it(out + QStringLiteral("/Exports"), {QStringLiteral("*.csv")}, QDir::Files, QDirIterator::Subdirectories);
    QStringList csvs;
    while (it.hasNext())
        csvs << it.next();
    std::sort(csvs.begin(), csvs.end());
    QDir().mkpath(out + QStringLiteral("/conv/workinp"));
    for (const QString &csv : csvs) {
        const QString num = QStringLiteral("%1").arg(++n, 4, 10, QLatin1Char('0'));
        QVERIFY(QFile::copy(csv, out + QStringLiteral("/conv/workinp/CMP") + num + QStringLiteral(".CSV")));
        entries << QStringLiteral("  <Orig_File_%1>%2</Orig_File_%1>").arg(num, csv)
                << QStringLiteral("  <File_%1>CMP%1.CSV</File_%1>").arg(num);
    }
    QCOMPARE(n, 4);   // ORDBATCH, ORDRPT, RATECALC (ROUNDAMT is nested), CUSTINQ
    TextFile::writeLines(out + QStringLiteral("/conv/lastprc.xml"),
                         QStringList{"<?xml version=\"1.0\" encoding=\"UTF-8\" ?>", "<QUENBAR>", " <Names",
                                     "  ProductName = \"DemoLegacy\"", "  SystemName  = \"ORDERS\"", " />",
                                     " <Directories>", "  <Input_Dir>workinp</Input_Dir>", "  <Output_Dir>.</Output_Dir>",
                                     " </Directories>", " <Files>"}
                             + entries + QStringList{" </Files>", "</QUENBAR>"});
    QProcess proc;
    proc.setWorkingDirectory(out + QStringLiteral("/conv"));
    proc.start(QStringLiteral(WSDLPROC_BINARY), {QStringLiteral("lastprc.xml")});
    QVERIFY(proc.waitForFinished(60000));
    QCOMPARE(proc.exitCode(), 0);
    QStringList wsdl;
    for (int k = 1; k <= n; ++k)
        wsdl << out + QStringLiteral("/conv/CMP%1.wsd").arg(k, 4, 10, QLatin1Char('0'));
    proc.setWorkingDirectory(out);
    proc.start(QStringLiteral(QUENBAR_CLI_BINARY), QStringList{QStringLiteral("import-wsdl"), out + QStringLiteral("/repo")} + wsdl);
    QVERIFY(proc.waitForFinished(60000));
    QVERIFY2(proc.exitCode() == 0, proc.readAllStandardError().constData());
    // One interface per program, the LINKAGE items at their levels.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("cobolcheck"));
        db.setDatabaseName(out + QStringLiteral("/repo/ParadoxDB/Interfaces.db"));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("SELECT Name FROM Interfaces ORDER BY Name")));
        QStringList interfaces;
        while (q.next())
            interfaces << q.value(0).toString();
        QCOMPARE(interfaces, (QStringList{"CUSTINQ", "ORDBATCH", "ORDRPT", "RATECALC"}));
        QVERIFY(q.exec(QStringLiteral("SELECT p.LevelX, p.Name FROM Parameters p JOIN Interfaces i ON i.Kulcs = p.InterfacesKulcs "
                                      "WHERE i.Name = 'RATECALC' ORDER BY p.Kulcs LIMIT 10")));
        QStringList levels;
        while (q.next())
            levels << q.value(0).toString() + u' ' + q.value(1).toString();
        QCOMPARE(levels, (QStringList{"1 RATE-PARAMETERS", "2 RP-CUSTOMER-CLASS", "2 RP-ORDER-AMOUNT", "2 RP-DISCOUNT-RATE",
                                      "2 RP-RESULT", "3 RP-NET-AMOUNT", "3 RP-RETURN-CODE", "1 RATE-CONTROL",
                                      "2 RC-TRACE-FLAG", "2 RC-RATE-TABLE-DATE"}));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("cobolcheck"));
}

void TestCobol::badInputs()
{
    QTemporaryDir tmp;
    const QString sys = tmp.path() + QStringLiteral("/sys/APP/BAD");
    QDir().mkpath(sys);
    const QString good = fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. GOOD.", "PROCEDURE DIVISION.", "M.", "    GOBACK."});
    QStringList big{"IDENTIFICATION DIVISION.", "PROGRAM-ID. BIG.", "DATA DIVISION.", "WORKING-STORAGE SECTION.",
                    "01  N PIC 9(9).", "PROCEDURE DIVISION.", "MAIN-PARA."};
    for (int k = 0; k < 100000; ++k)
        big << (k % 5 == 0 ? QStringLiteral("    IF N > 5 ADD 1 TO N END-IF") : QStringLiteral("    ADD 1 TO N"));
    big << QStringLiteral("    GOBACK.");
    QByteArray garbage;
    for (int k = 0; k < 20000; ++k)
        garbage.append(char((k * 7919 + 13) % 256));
    const QList<QPair<QString, QByteArray>> sources{
        {"A_GOOD.cbl", good.toLatin1()},
        {"B_PROSE.cbl", "Dear customer,\r\nthank you for your order of 12 May.\r\nKind regards\r\n"},
        {"B_HEADLESS.cbl", fixedFormat({"PROCEDURE DIVISION.", "M.", "    MOVE 1 TO X", "    GOBACK."}).toLatin1()},
        {"C_TRUNC.cbl", fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. TRUNC.", "PROCEDURE DIVISION.", "M.",
                                     "    IF 1 = 1", "       MOVE 1 TO X"}).toLatin1()},
        {"D_SCOPE.cbl", fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. SCOPE.", "PROCEDURE DIVISION.", "M.",
                                     "    MOVE 1 TO X", "    END-EVALUATE", "    END-IF END-IF", "    GOBACK."}).toLatin1()},
        {"E_NOCOPY.cbl", fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. NOCOPY.", "DATA DIVISION.",
                                      "WORKING-STORAGE SECTION.", "    COPY MISSING.", "PROCEDURE DIVISION.", "M.",
                                      "    GOBACK."}).toLatin1()},
        {"F_SELF.cbl", fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. SELF.", "DATA DIVISION.",
                                    "WORKING-STORAGE SECTION.", "    COPY SELFCPY.", "PROCEDURE DIVISION.", "M.",
                                    "    GOBACK."}).toLatin1()},
        {"G_BINARY.cbl", garbage},
        {"H_BIG.cbl", fixedFormat(big).toLatin1()},
        {"I_DEEP.cbl", fixedFormat(QStringList{"IDENTIFICATION DIVISION.", "PROGRAM-ID. DEEP.", "PROCEDURE DIVISION.", "M."}
                                   + QStringList(5000, QStringLiteral("    IF X = 1")) + QStringList{"    MOVE 1 TO X"}
                                   + QStringList(5000, QStringLiteral("    END-IF")) + QStringList{"    GOBACK."}).toLatin1()},
        {"SELFCPY.cpy", fixedFormat({"01  S PIC X.", "    COPY SELFCPY."}).toLatin1()},
        {"Z_GOOD.cbl", good.toLatin1()},
    };
    for (const auto &s : sources)
        QVERIFY(writeBytes(sys + u'/' + s.first, s.second));
    const QString out = tmp.path() + QStringLiteral("/out");
    QDir().mkpath(out);
    stage(tmp.path() + QStringLiteral("/sys"), out);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(runAnalyser({out + QStringLiteral("/last.xml")}), int(ExitSourcesFailed));
    const QString log = TextFile::readText(out + QStringLiteral("/Exports/ORDERS.log"));
    // Per source (in staging order): the rule in its report and the log's words.
    const QList<QPair<QString, QString>> expected{
        {QString(), "A_GOOD.cbl): 5 lines, program(s) GOOD"},
        {"13 Source is not COBOL", "B_HEADLESS.cbl): not a COBOL program"},
        {"13 Source is not COBOL", "B_PROSE.cbl): not a COBOL program"},
        {"13 Source is not COBOL", "C_TRUNC.cbl): 6 lines, program(s) TRUNC"},
        {"10 Unbalanced scope terminator", "END-EVALUATE without an open statement"},
        {"11 Copybook missing", "Copybook MISSING not found"},
        {"12 Copybook includes itself", "Copybook SELFCPY includes itself"},
        {"13 Source is not COBOL", "G_BINARY.cbl): binary data"},
        {QString(), "H_BIG.cbl): 100008 lines, program(s) BIG, 120001 statements"},
        {"10 Unbalanced scope terminator", "I_DEEP.cbl): 10006 lines, program(s) DEEP, 5002 statements, 4 violation(s); "
                                           "line 206: Statements nested deeper than 200 levels"},
        {"12 Copybook includes itself", "SELFCPY.cpy): copybook"},
        {QString(), "Z_GOOD.cbl): 5 lines, program(s) GOOD"},
    };
    for (int k = 0; k < expected.size(); ++k) {
        QVERIFY2(log.contains(expected[k].second), qPrintable(expected[k].second + "\n" + log));
        const QString def = TextFile::readText(defiFile(out, k + 1));
        if (expected[k].first.isEmpty())
            QVERIFY2(!def.contains(QStringLiteral("| PROB")), qPrintable(def.left(2000)));
        else
            QVERIFY2(def.contains(QStringLiteral("| PROB | ") + expected[k].first), qPrintable(def.left(2000)));
    }
    QVERIFY(log.contains(QStringLiteral("8 of 12 source(s) analysed, 1 copybook(s), 3 failed")));
    QVERIFY(QFileInfo::exists(out + QStringLiteral("/Exports/SRC0012.csv")));
}

void TestCobol::semaphoreStop()
{
    QTemporaryDir tmp;
    const QString sys = tmp.path() + QStringLiteral("/sys/APP/MOD");
    QStringList big{"IDENTIFICATION DIVISION.", "PROGRAM-ID. BIG.", "PROCEDURE DIVISION.", "MAIN-PARA."};
    for (int k = 0; k < 30000; ++k)
        big << QStringLiteral("    IF N > 5 ADD 1 TO N END-IF");
    big << QStringLiteral("    GOBACK.");
    const QByteArray text = fixedFormat(big).toLatin1();
    for (int k = 0; k < 40; ++k)
        QVERIFY(writeBytes(sys + QStringLiteral("/P%1.cbl").arg(k, 2, 10, QLatin1Char('0')), text));
    const QString out = tmp.path() + QStringLiteral("/out");
    QDir().mkpath(out);
    stage(tmp.path() + QStringLiteral("/sys"), out);

    // Present from the start: nothing is analysed.
    QVERIFY(writeBytes(out + QStringLiteral("/Semaphore.xml"), QByteArray()));
    QCOMPARE(runAnalyser({out + QStringLiteral("/last.xml")}), int(ExitCancelled));
    QVERIFY(!QFileInfo::exists(out + QStringLiteral("/Metrics/SRC0001.met")));
    QVERIFY(TextFile::readText(out + QStringLiteral("/Exports/ORDERS.log")).contains(QStringLiteral("cancelled (Semaphore.xml found)")));
    QFile::remove(out + QStringLiteral("/Semaphore.xml"));

    // Appearing during the run: it ends soon after.
    QElapsedTimer timer;
    qint64 createdAt = -1;
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        createdAt = timer.elapsed();
        writeBytes(out + QStringLiteral("/Semaphore.xml"), QByteArray());
    });
    timer.start();
    const int rc = runAnalyser({out + QStringLiteral("/last.xml")});
    const qint64 endedAt = timer.elapsed();
    canceller.join();
    QCOMPARE(rc, int(ExitCancelled));
    QVERIFY2(endedAt - createdAt < 1000, qPrintable(QString::number(endedAt - createdAt)));
    QVERIFY(!QFileInfo::exists(out + QStringLiteral("/Metrics/SRC0040.met")));
}

void TestCobol::parameterFile()
{
    QTemporaryDir tmp;
    const QString out = tmp.path() + QStringLiteral("/out");
    QDir().mkpath(out + QStringLiteral("/workinp"));
    QCOMPARE(runAnalyser({out + QStringLiteral("/none.xml")}), int(ExitBadParameterFile));
    QCOMPARE(runAnalyser({}), int(ExitBadArguments));
    // A staged name that leads out of the input folder is refused; the others run.
    QVERIFY(writeBytes(tmp.path() + QStringLiteral("/outside.cbl"),
                       fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. OUT.", "PROCEDURE DIVISION.", "M.", "    GOBACK."}).toLatin1()));
    QVERIFY(QFile::copy(tmp.path() + QStringLiteral("/outside.cbl"), out + QStringLiteral("/workinp/SRC0002.CBL")));
    const QStringList lines{"<?xml version=\"1.0\" encoding=\"UTF-8\" ?>", "<QUENBAR_MIRETH>", " <Names",
                            "  ProductName = \"P\"", "  SystemName  = \"S1\"", " />", " <Directories>",
                            "  <Input_Dir>workinp</Input_Dir>", " </Directories>", " <Files>",
                            "  <Orig_File_0001>x\\outside.cbl</Orig_File_0001>", "  <File_0001>..\\..\\outside.cbl</File_0001>",
                            "  <Orig_File_0002>x\\in.cbl</Orig_File_0002>", "  <File_0002>SRC0002.CBL</File_0002>",
                            " </Files>", "</QUENBAR_MIRETH>"};
    TextFile::writeLines(out + QStringLiteral("/last.xml"), lines);
    QCOMPARE(runAnalyser({out + QStringLiteral("/last.xml")}), int(ExitSourcesFailed));
    const QString log = TextFile::readText(out + QStringLiteral("/Exports/S1.log"));
    QVERIFY(log.contains(QStringLiteral("..\\..\\outside.cbl (x\\outside.cbl): staged name is not inside the input folder, skipped")));
    QVERIFY(log.contains(QStringLiteral("SRC0002.CBL (x\\in.cbl): 5 lines, program(s) OUT")));
    QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), (QStringList{"out", "outside.cbl"}));
    // A system name that would lead the log elsewhere ends the run at once.
    QStringList bad = lines;
    bad[4] = QStringLiteral("  SystemName  = \"..\\x\"");
    TextFile::writeLines(out + QStringLiteral("/last.xml"), bad);
    QCOMPARE(runAnalyser({out + QStringLiteral("/last.xml")}), int(ExitBadParameterFile));
}

void TestCobol::programPath()
{
    // The analyser the COBOL language's settings name, below the tool root
    // (the program's folder), as the shell resolves it.
    QString procpgm;
    for (const QString &l : TextFile::readLines(QStringLiteral(QUENBAR_EXAMPLES_DIR "/Tools/Maintain/Quenbar/Quenbar_Mireth.INI")))
        if (l.startsWith(QLatin1String("COB85.Extras=")))
            procpgm = QRegularExpression(QStringLiteral("Procpgm=([^,)]+)")).match(l).captured(1);
    QVERIFY(!procpgm.isEmpty());
    const QString binary = QFileInfo(QStringLiteral(COBREDOC_BINARY)).canonicalFilePath();
    for (const QString &written : {procpgm, procpgm + QStringLiteral(".exe")})
        QCOMPARE(QFileInfo(ProgramFile(QStringLiteral(QUENBAR_BIN_DIR) + u'/' + FromStoredPath(written))).canonicalFilePath(), binary);
    // Started in the output directory with "last.xml", as the tool runner starts it.
    QTemporaryDir tmp;
    stage(kExamples, tmp.path());
    QProcess proc;
    proc.setWorkingDirectory(tmp.path());
    proc.start(binary, {QStringLiteral("last.xml")});
    QVERIFY(proc.waitForFinished(60000));
    QCOMPARE(proc.exitCode(), int(ExitOk));
    QVERIFY(proc.readAllStandardOutput().contains("4 of 7 source(s) analysed"));
    QVERIFY(QFileInfo::exists(tmp.path() + QStringLiteral("/Exports/SRC0007.csv")));
}

void TestCobol::copyFolder()
{
    // A copybook the job did not stage is looked up in the system folder.
    QTemporaryDir tmp;
    const QString sys = tmp.path() + QStringLiteral("/sys");
    QVERIFY(writeBytes(sys + QStringLiteral("/COPYLIB/LIB/CUSTREC.cpy"), fixedFormat({"01  CUST-REC.", "    05  CUST-NO PIC 9(6)."}).toLatin1()));
    QVERIFY(writeBytes(tmp.path() + QStringLiteral("/job/APP/MOD/P.cbl"),
                       fixedFormat({"IDENTIFICATION DIVISION.", "PROGRAM-ID. P.", "DATA DIVISION.", "LINKAGE SECTION.",
                                    "    COPY CUSTREC.", "PROCEDURE DIVISION USING CUST-REC.", "M.", "    GOBACK."}).toLatin1()));
    const QString out = tmp.path() + QStringLiteral("/out");
    QDir().mkpath(out);
    stage(tmp.path() + QStringLiteral("/job"), out, QStringLiteral("11111111111111"), QString(), QDir::toNativeSeparators(sys));
    QCOMPARE(runAnalyser({out + QStringLiteral("/last.xml")}), int(ExitOk));
    QCOMPARE(TextFile::readLines(out + QStringLiteral("/Exports/SRC0001.csv")).mid(3),
             (QStringList{"ENTRY;P", "PARAM;CUST-REC;1;INOUT;GROUP", "PARAM;CUST-NO;5;;NUMERIC;6;;;PIC 9(6)"}));
}

void TestCobol::definitions()
{
    // The entries the shell ticks come from the language's definition files.
    Settings s = defaultSettings();
    QVERIFY(!loadDefinitions(s, {QStringLiteral("/nonexistent")}));
    QVERIFY(loadDefinitions(s, {QStringLiteral("/nonexistent"),
                                QStringLiteral(QUENBAR_EXAMPLES_DIR "/Tools/Maintain/Quenbar/COB85ReDoc")}));
    QCOMPARE(s.ruleNames.value(0), QStringLiteral("R001 GO TO statement used"));
    QCOMPARE(s.ruleOf, (std::vector<int>{RuleGoTo, RuleAlter, RulePerformThru, RuleFallThrough, RuleNestedIf,
                                         RuleStopRunInSubprogram, RuleLiteralComparison, RuleMissingCopybook,
                                         RuleDeadParagraph, RuleUninitialised}));
    // STMT NEST CYCL PARA LOCS COMM CALL FILE
    QCOMPARE(s.metricOf, (std::vector<int>{3, 7, 6, 4, 1, 2, 8, 14}));
    QCOMPARE(s.specOf.size(), size_t(5));
    // GO TO unticked, ALTER ticked under its own name; EVALUATE without WHEN
    // OTHER is not in the list and not reported; input faults always are.
    s.rules = {false, true, true, true, true, true, true, true, true, true};
    s.weights = {3, 0, 0, 0, 0, 0, 0, 0};
    Library lib;
    const SourceAnalysis a = analyseSource(
        program({"MAIN-PARA.", "    ALTER X-PARA TO PROCEED TO MAIN-PARA", "    GO TO X-PARA.", "X-PARA.", "    GO TO MAIN-PARA.",
                 "    EVALUATE WS-A WHEN 1 CONTINUE END-EVALUATE", "    END-IF."}),
        lib.lib, s, false);
    QCOMPARE(rulesOf(a), (QList<int>{RuleAlter, RuleUnbalancedScope, RuleUninitialised}));
    QCOMPARE(a.violations.front().ruleName, QStringLiteral("R002 ALTER statement used"));
    const auto unset = std::find_if(a.violations.begin(), a.violations.end(),
                                    [](const PlacedViolation &v) { return v.v.rule == RuleUninitialised; });
    QVERIFY(unset != a.violations.end());
    QCOMPARE(unset->ruleName, QStringLiteral("R010 Numeric field used without initialisation"));
    QVERIFY(defiLines(a, QStringLiteral("M\\p.cbl")).join(u'\n').contains(QStringLiteral("| PROB | R002 ALTER statement used")));
    const QStringList met = metricsLines(a.metrics, s, QStringLiteral("T")).filter(QStringLiteral("= >"));
    QCOMPARE(met.size(), 3);   // STMT, then the program complexity and quality
    QVERIFY(met[0].startsWith(QLatin1String("STMT Number of statements")));
}

QTEST_GUILESS_MAIN(TestCobol)
#include "tst_cobol.moc"
