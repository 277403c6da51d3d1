#include "CodePage1250.h"
#include "Errors.h"
#include "KorvelXML.h"
#include "TextFile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// One line per node: level, text, and the flags that are not visible in it.
QStringList dump(const TMyXMLNodeList &doc)
{
    QStringList out;
    for (int i = 0; i < doc.Count(); ++i) {
        const TMyXMLNode *n = doc.Node(i);
        QString line = QStringLiteral("%1 %2").arg(n->Level).arg(n->Text);
        if (n->IsEmpty)
            line += QStringLiteral(" [empty]");
        if (n->HasValue || !n->Value.isEmpty())
            line += QStringLiteral(" =%1").arg(n->Value);
        out << line;
    }
    return out;
}

QString crlf(const QStringList &lines)
{
    QString s;
    for (const QString &l : lines)
        s += l + QStringLiteral("\r\n");
    return s;
}

QString errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const EXMLError &e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

const QString kMetrics = QStringLiteral(
    "<?xml version=\"1.0\"?>\r\n"
    "<ROOT>\r\n"
    "  <SYSTEM Name=\"S\">\r\n"
    "    <MODULE Name=\"m1\" Id=\"3\">\r\n"
    "      <METRIC Id=\"7\" Kind=\"loc\">120</METRIC>\r\n"
    "    </MODULE>\r\n"
    "    <MODULE Name=\"m2\" Id=\"7\">\r\n"
    "      <METRIC Id=\"8\" Kind=\"LOC\">5</METRIC>\r\n"
    "      <METRIC_FILE Id=\"7\"/>\r\n"
    "    </MODULE>\r\n"
    "  </SYSTEM>\r\n"
    "  <TAIL Id=\"7\"/>\r\n"
    "</ROOT>\r\n");

// A start index in the list by the node's text.
int indexOfText(const TMyXMLNodeList &doc, const QString &text)
{
    for (int i = 0; i < doc.Count(); ++i)
        if (doc.Node(i)->Text == text)
            return i;
    return -1;
}

} // namespace

class TestKorvelXML : public QObject
{
    Q_OBJECT
private slots:
    void reading_data();
    void reading();
    void nodeFieldsFromReader();
    void headers();
    void readErrors_data();
    void readErrors();
    void setText_data();
    void setText();
    void compaction_data();
    void compaction();
    void compactOnlyOnce();
    void writeNonCompact_data();
    void writeNonCompact();
    void writeCompact_data();
    void writeCompact();
    void writeSubtreeKeepsEndTag();
    void wrapping();
    void wrappingLeavesOtherLinesAlone();
    void navigation();
    void searchRange();
    void findForms();
    void locate();
    void attributes();
    void prefixes();
    void setAttribute_data();
    void setAttribute();
    void upperCaseNames();
    void values();
    void addNode();
    void childrenOfNodes();
    void clearResets();
    void filesRoundTrip();
    void lineBreaksFromFile();
    void fileReadsAsItsLines_data();
    void fileReadsAsItsLines();
    void missingFile();
    void badInput_data();
    void badInput();
    void truncatedEverywhere();
    void deepNesting();
};

void TestKorvelXML::reading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("nodes");

    QTest::newRow("levels") << "<a><b x=\"1\">t</b><c/></a>"
                            << QStringList{"0 <a>", "1 <b x=\"1\">", "2 t", "1 </b>", "1 <c> [empty]", "0 </a>"};
    QTest::newRow("no-markup") << "just text" << QStringList{};
    QTest::newRow("leading-junk") << "junk > here <a/>" << QStringList{"0 <a> [empty]"};
    QTest::newRow("whitespace-in-tag") << "<a  x = \"1\"\t\r\n y=\"2\"  ></a >"
                                       << QStringList{"0 <a x=\"1\" y=\"2\">", "0 </a>"};
    QTest::newRow("blank-before-slash") << "<a x=\"1\" />" << QStringList{"0 <a x=\"1\"> [empty]"};
    QTest::newRow("quoted-kept") << "<a x=\"1 > /  2\" y=\"/\"/>" << QStringList{"0 <a x=\"1 > /  2\" y=\"/\"> [empty]"};
    QTest::newRow("slash-value-not-empty") << "<d p=\"/\">x</d>" << QStringList{"0 <d p=\"/\">", "1 x", "0 </d>"};
    QTest::newRow("references-stay") << "<a v=\"&quot;&lt;\">&amp; &#65;</a>"
                                     << QStringList{"0 <a v=\"&quot;&lt;\">", "1 &amp; &#65;", "0 </a>"};
    QTest::newRow("text-trimmed-breaks-stay") << "<a>\r\n  one\r\n  two \x01\r\n</a>"
                                              << QStringList{"0 <a>", "1 one\r\n  two", "0 </a>"};
    QTest::newRow("pi-and-comment") << "<?xml version=\"1.0\"?><!-- c --><a><?p x?></a>"
                                    << QStringList{"0 <?xml version=\"1.0\"?>", "0 <!-- c -->", "0 <a>", "1 <?p x?>",
                                                   "0 </a>"};
    QTest::newRow("doctype-no-node") << "<!DOCTYPE a SYSTEM \"a.dtd\"><a/>" << QStringList{"0 <a> [empty]"};
    QTest::newRow("cdata-discarded") << "<a><![CDATA[<b>]]]></a>" << QStringList{"0 <a>", "0 </a>"};
    QTest::newRow("other-declaration") << "<a><!ELEMENT a ANY></a>" << QStringList{"0 <a>", "1 <!ELEMENT a ANY>", "0 </a>"};
    QTest::newRow("text-after-last-tag") << "<a/>tail" << QStringList{"0 <a> [empty]"};
    QTest::newRow("open-at-end") << "<a><b>t" << QStringList{"0 <a>", "1 <b>"};
    QTest::newRow("unfinished-tag") << "<a><b x=\"1" << QStringList{"0 <a>"};
    QTest::newRow("unfinished-comment") << "<a/><!-- never" << QStringList{"0 <a> [empty]"};
    QTest::newRow("prefixed") << "<w:a xmlns:w=\"u\"><w:b/></w:a>"
                              << QStringList{"0 <w:a xmlns:w=\"u\">", "1 <w:b> [empty]", "0 </w:a>"};
}

void TestKorvelXML::reading()
{
    QFETCH(QString, text);
    QFETCH(QStringList, nodes);
    TMyXMLNodeList doc(text, false);
    QCOMPARE(dump(doc), nodes);
    QVERIFY(!doc.Compacted);
    for (int i = 0; i < doc.Count(); ++i) {
        QCOMPARE(doc.Node(i)->Index, i);
        QCOMPARE(doc.Node(i)->Owner, &doc);
    }
}

void TestKorvelXML::nodeFieldsFromReader()
{
    TMyXMLNodeList doc(QStringLiteral("<w:a k=\"1\"><b>t</b><!-- x=1 --></w:a>"), false);
    const TMyXMLNode *a = doc.Node(0);
    QCOMPARE(a->Name, QStringLiteral("w:a"));
    QVERIFY(a->HasPrefix);
    QVERIFY(a->HasAttributes);
    QCOMPARE(doc.Node(1)->Name, QStringLiteral("b"));
    QVERIFY(!doc.Node(1)->HasAttributes);
    // Text, end tags and comments have no name; "=" anywhere counts as attributes.
    QVERIFY(doc.Node(2)->Name.isEmpty());
    QVERIFY(doc.Node(3)->Name.isEmpty());
    QVERIFY(doc.Node(4)->Name.isEmpty());
    QVERIFY(doc.Node(4)->HasAttributes);
    QVERIFY(doc.Node(2)->IsTextLine());
    QVERIFY(doc.Node(3)->IsEndTag());
    QVERIFY(doc.Node(4)->IsComment());
    QCOMPARE(doc.Node(2)->GetValue(), QStringLiteral("t"));
}

void TestKorvelXML::headers()
{
    TMyXMLNodeList doc(QStringLiteral("<?xml version=\"1.0\"?>\n<?style x?>\n<!DOCTYPE r [x]>\n<r/>"), false);
    QCOMPARE(doc.ProcessingInstructions, QStringLiteral("<?xml version=\"1.0\"?>\r\n<?style x?>\r\n"));
    // No internal subset: the declaration ends at the first ">".
    QCOMPARE(doc.DocumentHeader, QStringLiteral("<!DOCTYPE r [x]>\r\n"));

    doc.LoadFromText(QStringLiteral("<!doctype r><!-- old doctype r --><r/>"), false);
    QCOMPARE(doc.DocumentHeader, QStringLiteral("<!-- old doctype r -->\r\n"));
    QCOMPARE(doc.Count(), 2);   // the comment stays a node, the declaration does not
    QVERIFY(doc.ProcessingInstructions.isEmpty());

    // Headers survive compaction although the nodes go.
    doc.LoadFromText(QStringLiteral("<?xml v=\"1\"?><!DOCTYPE r><r><a>1</a></r>"), true);
    QCOMPARE(doc.ProcessingInstructions, QStringLiteral("<?xml v=\"1\"?>\r\n"));
    QCOMPARE(doc.DocumentHeader, QStringLiteral("<!DOCTYPE r>\r\n"));
    QCOMPARE(dump(doc), (QStringList{"0 <r>", "1 <a> =1"}));
}

void TestKorvelXML::readErrors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("nodesKept");
    QTest::newRow("mismatch") << "<a><b>t</a>" << "No matching tag found for </a>!" << 3;
    QTest::newRow("case-sensitive") << "<a></A>" << "No matching tag found for </A>!" << 1;
    QTest::newRow("nothing-open") << "<a/></b>" << "No matching tag found for </b>!" << 1;
    QTest::newRow("blanks-removed") << "<a></ b c >" << "No matching tag found for </bc>!" << 1;
}

void TestKorvelXML::readErrors()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(int, nodesKept);
    TMyXMLNodeList doc;
    QCOMPARE(errorOf([&] { doc.LoadFromText(text, true); }), message);
    QCOMPARE(doc.Count(), nodesKept);
    QVERIFY(!doc.Compacted);
    TMyXMLNodeList plain;
    QCOMPARE(errorOf([&] { plain.LoadFromText(text, false); }), message);
    QCOMPARE(dump(doc), dump(plain));
    // EXMLError is one of the system's errors.
    try {
        TMyXMLNodeList again(text);
        QFAIL("no error");
    } catch (const EQuenbarError &e) {
        QCOMPARE(e.message(), message);
    }
}

void TestKorvelXML::setText_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("isEmpty");
    QTest::addColumn<bool>("hasAttributes");
    QTest::newRow("start") << "<a>" << "<a>" << "a" << false << false;
    QTest::newRow("attributes") << "<ns:a x=\"1\">" << "<ns:a x=\"1\">" << "ns:a" << false << true;
    QTest::newRow("empty") << "<a x=\"1\"/>" << "<a x=\"1\">" << "a" << true << true;
    QTest::newRow("slash-in-value") << "<a p=\"/\">" << "<a p=\"/\">" << "a" << false << true;
    QTest::newRow("end") << "</a>" << "</a>" << "" << false << false;
    QTest::newRow("pi") << "<?xml v=\"1\"?>" << "<?xml v=\"1\"?>" << "" << false << true;
    QTest::newRow("text") << "a=b" << "a=b" << "" << false << true;
}

void TestKorvelXML::setText()
{
    QFETCH(QString, input);
    TMyXMLNode node(4, input);
    QTEST(node.Text, "text");
    QTEST(node.Name, "name");
    QTEST(node.IsEmpty, "isEmpty");
    QTEST(node.HasAttributes, "hasAttributes");
    QCOMPARE(node.Level, 4);
    QCOMPARE(node.HasPrefix, node.Name.contains(u':'));
}

void TestKorvelXML::compaction_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("nodes");
    // No node follows the triple, so the value is not merged.
    QTest::newRow("lone-element") << "<a>t</a>" << QStringList{"0 <a>"};
    QTest::newRow("nested-value") << "<r><a>t</a></r>" << QStringList{"0 <r>", "1 <a> =t"};
    QTest::newRow("comment-before-root") << "<!-- c --><r><a>t</a></r>" << QStringList{"0 <r>", "1 <a> =t"};
    QTest::newRow("closed-at-once") << "<r><a></a><b/><c x=\"1\"></c></r>"
                                    << QStringList{"0 <r>", "1 <a> [empty]", "1 <b> [empty]", "1 <c x=\"1\"> [empty]"};
    QTest::newRow("values-and-levels") << "<r><s><m>1</m><m>2</m></s><t>x</t></r>"
                                       << QStringList{"0 <r>", "1 <s>", "2 <m> =1", "2 <m> =2", "1 <t> =x"};
    // Text next to elements is not merged and goes.
    QTest::newRow("mixed-text-lost") << "<r>x<a>t</a>y</r>" << QStringList{"0 <r>", "1 <a> =t"};
    // A single child element counts as the value holder: its GetValue is empty.
    QTest::newRow("single-child") << "<r><a><b/></a><c/></r>" << QStringList{"0 <r>", "1 <a> =", "2 <b> [empty]", "1 <c> [empty]"};
}

void TestKorvelXML::compaction()
{
    QFETCH(QString, text);
    QFETCH(QStringList, nodes);
    TMyXMLNodeList doc(text, true);
    QVERIFY(doc.Compacted);
    QCOMPARE(dump(doc), nodes);
    for (int i = 0; i < doc.Count(); ++i)
        QCOMPARE(doc.Node(i)->Index, i);
    // Compacting a loaded document gives the same list as loading compact.
    TMyXMLNodeList later(text, false);
    later.Compact();
    QCOMPARE(dump(later), nodes);
}

void TestKorvelXML::compactOnlyOnce()
{
    TMyXMLNodeList doc(QStringLiteral("<r><a><b>1</b><c>2</c></a><d>3</d></r>"), false);
    doc.GoTo(5);
    doc.Compact();
    const QStringList once = dump(doc);
    QCOMPARE(once, (QStringList{"0 <r>", "1 <a>", "2 <b> =1", "2 <c> =2", "1 <d> =3"}));
    QCOMPARE(doc.CurrentIndex, 0);
    doc.Compact();
    QCOMPARE(dump(doc), once);
    // Loading again resets the compact form.
    doc.LoadFromText(QStringLiteral("<r><a>1</a></r>"), false);
    QVERIFY(!doc.Compacted);
    QCOMPARE(doc.Count(), 5);
}

void TestKorvelXML::writeNonCompact_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("tabs");
    QTest::addColumn<QString>("written");
    QTest::newRow("one-line-value") << "<r><a x=\"1\">t</a><b/></r>" << false
                                    << crlf({"<r>", "  <a x=\"1\">t</a>", "  <b/>", "</r>"});
    QTest::newRow("three-lines") << "<r><a><b/></a><c/></r>" << true
                                 << crlf({"<r>", "\t<a>", "\t\t<b/>", "\t</a>", "\t<c/>", "</r>"});
    // The triple needs a further node after it.
    QTest::newRow("lone-element") << "<a>t</a>" << false << crlf({"<a>", "  t", "</a>"});
    QTest::newRow("pi-comment") << "<?xml v=\"1\"?><!--c--><r>x<a>1</a></r>" << false
                                << crlf({"<?xml v=\"1\"?>", "<!--c-->", "<r>", "  x", "  <a>1</a>", "</r>"});
    QTest::newRow("references-unchanged") << "<r><a v=\"&lt;\">&amp;</a><b/></r>" << false
                                          << crlf({"<r>", "  <a v=\"&lt;\">&amp;</a>", "  <b/>", "</r>"});
    QTest::newRow("empty-doc") << "" << false << "";
}

void TestKorvelXML::writeNonCompact()
{
    QFETCH(QString, text);
    QFETCH(bool, tabs);
    TMyXMLNodeList doc(text, false);
    QTEST(doc.GetText(-1, tabs), "written");
}

void TestKorvelXML::writeCompact_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("tabs");
    QTest::addColumn<QString>("written");
    QTest::newRow("no-values") << "<r><a/><b><c/><d><e/></d></b><f/></r>" << false
                               << crlf({"<r>", "  <a/>", "  <b>", "    <c/>", "    <d>", "      <e/>", "    </d>",
                                        "  </b>", "  <f/>", "</r>"});
    QTest::newRow("values") << "<r k=\"1\"><a>1</a><b x=\"2\">two</b></r>" << true
                            << crlf({"<r k=\"1\">", "\t<a>1</a>", "\t<b x=\"2\">two</b>", "</r>"});
    // The last node without a value keeps its end tag.
    QTest::newRow("lone-element") << "<a>t</a>" << false << crlf({"<a></a>"});
    QTest::newRow("close-two-levels") << "<r><s><t><u>1</u><v>2</v></t></s><w>3</w></r>" << false
                                      << crlf({"<r>", "  <s>", "    <t>", "      <u>1</u>", "      <v>2</v>",
                                               "    </t>", "  </s>", "  <w>3</w>", "</r>"});
}

void TestKorvelXML::writeCompact()
{
    QFETCH(QString, text);
    QFETCH(bool, tabs);
    TMyXMLNodeList doc(text, true);
    QTEST(doc.GetText(-1, tabs), "written");
    // What was written reads back to the same compact list.
    TMyXMLNodeList again(doc.GetText(-1, tabs), true);
    QCOMPARE(dump(again), dump(doc));
}

void TestKorvelXML::writeSubtreeKeepsEndTag()
{
    TMyXMLNodeList doc(kMetrics, false);
    const int module = indexOfText(doc, QStringLiteral("<MODULE Name=\"m2\" Id=\"7\">"));
    QVERIFY(module > 0);
    QCOMPARE(doc.GetText(module, false),
             crlf({"    <MODULE Name=\"m2\" Id=\"7\">", "      <METRIC Id=\"8\" Kind=\"LOC\">5</METRIC>",
                   "      <METRIC_FILE Id=\"7\"/>", "    </MODULE>"}));
    QVERIFY(doc.GetText(doc.Count(), false).isEmpty());
    QVERIFY(doc.GetText(doc.Count() + 5, true).isEmpty());

    TMyXMLNodeList compact(kMetrics, true);
    QCOMPARE(compact.GetText(2, false),
             crlf({"    <MODULE Name=\"m1\" Id=\"3\">", "      <METRIC Id=\"7\" Kind=\"loc\">120</METRIC>",
                   "    </MODULE>"}));
    QCOMPARE(compact.GetText(compact.Count() - 1, false), crlf({"  <TAIL Id=\"7\"/>"}));
}

void TestKorvelXML::wrapping()
{
    QString attrs;
    for (int i = 0; i < 12; ++i)
        attrs += QStringLiteral(" attribute%1=\"value with blanks %1\"").arg(i);
    const QString longTag = QStringLiteral("<e") + attrs + QStringLiteral(">");
    const QString text = QStringLiteral("<r><s>") + longTag + QStringLiteral("<q/></e><z/>")
                         + QString(150, u'x') + QStringLiteral("<t/></s></r>");
    TMyXMLNodeList doc(text, false);
    const QString out = doc.GetText(-1, true);
    const QStringList lines = out.split(QStringLiteral("\r\n"));

    // The long start tag: first line at level 2, continuations with 4 tabs,
    // every line within the column, and joined again it is the tag itself.
    int first = -1;
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].startsWith(QStringLiteral("\t\t<e ")))
            first = i;
    QVERIFY(first > 0);
    QString joined = lines[first].mid(2);
    int i = first + 1;
    for (; lines[i].startsWith(QStringLiteral("\t\t\t\t")) && !lines[i].startsWith(QStringLiteral("\t\t\t\t\t")); ++i) {
        QVERIFY(lines[i].size() <= 100);
        joined += u' ' + lines[i].mid(4);
    }
    QVERIFY(i - first > 2);
    QVERIFY(lines[first].size() <= 100);
    QCOMPARE(joined, longTag);
    // Breaks fall between attributes only, never inside a quoted value.
    for (int k = first; k < i; ++k)
        QCOMPARE(lines[k].count(u'"') % 2, 0);
    // The child line follows, then the end tag.
    QCOMPARE(lines[i], QStringLiteral("\t\t\t<q/>"));
    QCOMPARE(lines[i + 1], QStringLiteral("\t\t</e>"));
    // No blank outside quotes after the name: the line stays long.
    QVERIFY(lines.contains(QStringLiteral("\t\t") + QString(150, u'x')));

    // Blanks mode never wraps; neither does a compact document.
    QVERIFY(doc.GetText(-1, false).contains(longTag));
    doc.Compact();
    QVERIFY(doc.GetText(-1, true).contains(longTag.chopped(1)));
    QVERIFY(!doc.GetText(-1, true).contains(QStringLiteral("\t\t\t\t")));
}

void TestKorvelXML::wrappingLeavesOtherLinesAlone()
{
    // An element with its text on one line (second case) is not wrapped.
    const QString words = QStringLiteral("word ").repeated(40).trimmed();
    TMyXMLNodeList doc(QStringLiteral("<r><a>") + words + QStringLiteral("</a><b/></r>"), false);
    QCOMPARE(doc.GetText(-1, true), crlf({"<r>", "\t<a>" + words + "</a>", "\t<b/>", "</r>"}));
    // A lone text line is wrapped, at level + 2 tabs; apostrophes count as quotes.
    doc.LoadFromText(QStringLiteral("<r><a>") + words + QStringLiteral("<b/></a></r>"), false);
    doc.WrapColumn = 30;
    const QStringList lines = doc.GetText(-1, true).split(QStringLiteral("\r\n"));
    QVERIFY(lines.size() > 8);
    QCOMPARE(lines[2].left(3), QStringLiteral("\t\tw"));
    QCOMPARE(lines[3].left(5), QStringLiteral("\t\t\t\tw"));
    for (const QString &l : lines)
        QVERIFY(l.size() <= 30);
    doc.LoadFromText(QStringLiteral("<r><a>'") + words + QStringLiteral("'<b/></a></r>"), false);
    doc.WrapColumn = 30;
    QCOMPARE(doc.GetText(-1, true), crlf({"<r>", "\t<a>", "\t\t'" + words + "'", "\t\t<b/>", "\t</a>", "</r>"}));
}

void TestKorvelXML::navigation()
{
    TMyXMLNodeList doc(QStringLiteral("<r><a>1</a><b><c/></b><d/></r>"), true);
    // r(0) a(1) b(1) c(2) d(1)
    QVERIFY(doc.First());
    QCOMPARE(doc.CurrentNode()->Name, QStringLiteral("r"));
    QVERIFY(!doc.Next());   // no sibling of the root
    QVERIFY(doc.GoToFirstChild());
    QCOMPARE(doc.CurrentIndex, 1);
    QCOMPARE(doc.CurrentLevel, 1);
    QVERIFY(doc.Next());
    QCOMPARE(doc.CurrentNode()->Name, QStringLiteral("b"));
    QVERIFY(doc.HasChildren());
    QCOMPARE(doc.ChildOf()->Name, QStringLiteral("c"));
    QVERIFY(doc.Next());   // skips c
    QCOMPARE(doc.CurrentNode()->Name, QStringLiteral("d"));
    QVERIFY(!doc.Next());
    QCOMPARE(doc.CurrentIndex, 4);
    QVERIFY(!doc.HasChildren());
    QVERIFY(!doc.GoToFirstChild());
    QCOMPARE(errorOf([&] { doc.ChildOf(); }), QStringLiteral("Node has no children"));
    QCOMPARE(errorOf([&] { doc.ChildOf(3); }), QStringLiteral("Node has no children"));
    QVERIFY(doc.HasChildren(0));
    QVERIFY(!doc.HasChildren(99));
    // Next stops at a shallower node.
    doc.GoTo(3);
    QVERIFY(!doc.Next());
    QCOMPARE(doc.CurrentIndex, 3);

    doc.GoTo(-4);
    QCOMPARE(doc.CurrentIndex, 0);
    doc.GoTo(doc.Count());
    QCOMPARE(doc.CurrentIndex, 4);
    doc.GoToNode(doc.Node(2));
    QCOMPARE(doc.CurrentIndex, 2);
    QCOMPARE(doc.CurrentLevel, 1);
    QVERIFY(doc.Node(0)->GoToFirstChild());
    QCOMPARE(doc.CurrentIndex, 1);
    QVERIFY(doc.Node(1)->NextSibling());
    QCOMPARE(doc.CurrentIndex, 2);

    QCOMPARE(errorOf([&] { doc.Node(5); }), QStringLiteral("List index out of bounds (5)"));
    TMyXMLNodeList empty;
    QVERIFY(empty.CurrentNode() == nullptr);
    QVERIFY(!empty.Next());
    QVERIFY(!empty.Find(QStringLiteral("a")));
    QVERIFY(empty.GetText().isEmpty());
}

void TestKorvelXML::searchRange()
{
    TMyXMLNodeList doc(kMetrics, true);
    // ROOT(0) SYSTEM(1) MODULE m1(2) METRIC 7(3) MODULE m2(2) METRIC 8(3) METRIC_FILE(3) TAIL(1)
    QCOMPARE(doc.Count(), 8);

    // At level 0 the whole document is in range.
    doc.First();
    QVERIFY(doc.Find(QStringLiteral("TAIL")));
    QCOMPARE(doc.CurrentIndex, 7);
    QCOMPARE(doc.FindNode(QStringLiteral("METRIC_FILE"), 0)->Index, 6);

    // From the second module: earlier siblings and their descendants are in
    // range, the first match in document order wins.
    doc.GoTo(4);
    QVERIFY(doc.Find(QStringLiteral("METRIC")));
    QCOMPARE(doc.CurrentIndex, 3);
    // The range ends before the first node above the cursor's level.
    doc.GoTo(4);
    QVERIFY(!doc.Find(QStringLiteral("TAIL")));
    QCOMPARE(doc.CurrentIndex, 4);   // stays where it was
    QVERIFY(!doc.Find(QStringLiteral("SYSTEM")));

    // From inside the first module, the second module's metric is out of range.
    doc.GoTo(3);
    QVERIFY(doc.Find(QStringLiteral("METRIC")));
    QCOMPARE(doc.CurrentIndex, 3);
    QVERIFY(!doc.Find(QStringLiteral("METRIC_FILE")));

    // A start index moves the cursor first and searches from there.
    QVERIFY(doc.Find(QStringLiteral("METRIC_FILE"), 5));
    QCOMPARE(doc.CurrentIndex, 6);
    QCOMPARE(doc.CurrentLevel, 3);
    // Nothing found: the cursor stays at the start index it was moved to.
    QVERIFY(!doc.Find(QStringLiteral("NOPE"), 5));
    QCOMPARE(doc.CurrentIndex, 5);

    // Names are compared exactly.
    QVERIFY(!doc.Exists(QStringLiteral("metric"), 0));
}

void TestKorvelXML::findForms()
{
    TMyXMLNodeList doc(kMetrics, true);
    doc.GoTo(2);
    QCOMPARE(doc.FindNode(QStringLiteral("METRIC_FILE"), 0)->Index, 6);
    QCOMPARE(doc.CurrentIndex, 2);
    QCOMPARE(errorOf([&] { doc.FindNode(QStringLiteral("NOPE"), 0); }), QStringLiteral("Tag \"NOPE\" doesn't exist"));
    QCOMPARE(doc.CurrentIndex, 2);
    QCOMPARE(doc.CurrentLevel, 2);
    QVERIFY(doc.Exists(QStringLiteral("TAIL"), 0));
    QVERIFY(!doc.Exists(QStringLiteral("TAIL")));
    QCOMPARE(doc.CurrentIndex, 2);
    QVERIFY(doc.LocateExists(QStringLiteral("MODULE"), {QStringLiteral("Id"), QStringLiteral("7")}));
    QCOMPARE(doc.CurrentIndex, 2);
    QCOMPARE(doc.LocateNode(QStringLiteral("MODULE"), {QStringLiteral("Id"), QStringLiteral("7")})->Index, 4);
    QCOMPARE(errorOf([&] { doc.LocateNode(QStringLiteral("MODULE"), {QStringLiteral("Id"), QStringLiteral("9")}); }),
             QStringLiteral("Tag \"MODULE\" doesn't exist"));
    QCOMPARE(doc.CurrentIndex, 2);
}

void TestKorvelXML::locate()
{
    TMyXMLNodeList doc(kMetrics, true);
    doc.First();
    // "*" matches any name: the first node in range with Id 7.
    QVERIFY(doc.Locate(QStringLiteral("*"), {QStringLiteral("Id"), QStringLiteral("7")}));
    QCOMPARE(doc.CurrentIndex, 3);
    QCOMPARE(doc.CurrentNode()->Name, QStringLiteral("METRIC"));
    // From a start index the range still holds earlier siblings' children.
    QVERIFY(doc.Locate(QStringLiteral("*"), {QStringLiteral("Id"), QStringLiteral("7")}, 4));
    QCOMPARE(doc.CurrentIndex, 3);
    QVERIFY(doc.Locate(QStringLiteral("*"), {QStringLiteral("Id"), QStringLiteral("7")}, 5));
    QCOMPARE(doc.CurrentIndex, 6);
    // Every pair must hold.
    doc.First();
    QVERIFY(doc.Locate(QStringLiteral("METRIC"), {QStringLiteral("Id"), QStringLiteral("8"), QStringLiteral("Kind"),
                                                   QStringLiteral("LOC")}));
    QCOMPARE(doc.CurrentIndex, 5);
    doc.First();
    QVERIFY(!doc.Locate(QStringLiteral("METRIC"), {QStringLiteral("Id"), QStringLiteral("8"), QStringLiteral("Kind"),
                                                    QStringLiteral("loc")}));
    QCOMPARE(doc.CurrentIndex, 0);
    // A missing attribute reads as empty.
    QVERIFY(doc.Locate(QStringLiteral("SYSTEM"), {QStringLiteral("Id"), QString()}));
    // Values compared upper-cased when asked.
    doc.First();
    doc.CaseInsensitiveValues = true;
    QVERIFY(doc.Locate(QStringLiteral("METRIC"), {QStringLiteral("Kind"), QStringLiteral("LOC")}));
    QCOMPARE(doc.CurrentIndex, 3);

    const QString odd = QStringLiteral("Number of keys for TMyXMLNodeList.Locate is not even!");
    QCOMPARE(errorOf([&] { doc.Locate(QStringLiteral("*"), {QStringLiteral("Id")}); }), odd);
    QCOMPARE(errorOf([&] { doc.LocateExists(QStringLiteral("*"), {QStringLiteral("Id")}); }), odd);
    QCOMPARE(errorOf([&] { doc.LocateNode(QStringLiteral("*"), {QStringLiteral("Id")}, 0); }), odd);
    // Without keys "*" is any node.
    doc.GoTo(4);
    QVERIFY(doc.Locate(QStringLiteral("*"), {}));
    QCOMPARE(doc.CurrentIndex, 2);
}

void TestKorvelXML::attributes()
{
    TMyXMLNode node(0, QStringLiteral("<a id=\"1\" empty=\"\" xid=\"9\" t=\"x y\">"));
    QCOMPARE(node.GetAttribute(QStringLiteral("id")), QStringLiteral("1"));
    QCOMPARE(node.GetAttribute(QStringLiteral("t")), QStringLiteral("x y"));
    QVERIFY(node.HasAttribute(QStringLiteral("empty")));
    QVERIFY(node.GetAttribute(QStringLiteral("empty")).isEmpty());
    QVERIFY(!node.HasAttribute(QStringLiteral("missing")));
    QVERIFY(node.GetAttribute(QStringLiteral("missing")).isEmpty());
    QVERIFY(!node.HasAttribute(QStringLiteral("d")));   // "xid" and "id" are not "d"
    QCOMPARE(node.AttributesText(), QStringLiteral("id=\"1\" empty=\"\" xid=\"9\" t=\"x y\""));
    QCOMPARE(*node.AttributeValues(), (QStringList{"id=1", "empty=", "xid=9", "t=x y"}));

    TMyXMLNode bare(0, QStringLiteral("<a>"));
    QVERIFY(bare.AttributesText().isEmpty());
    QVERIFY(!bare.AttributeValues().has_value());

    TMyXMLNodeList doc(QStringLiteral("<r><a k=\"v\"/><b/></r>"), false);
    QCOMPARE(doc.NodeAttributesText(1), QStringLiteral(" k=\"v\""));
    QVERIFY(doc.NodeAttributesText(2).isEmpty());
    QCOMPARE(doc.NodeText(1), QStringLiteral("<a k=\"v\"/>"));
    QCOMPARE(doc.NodeName(1), QStringLiteral("a"));
    QCOMPARE(doc.NodeLevel(1), 1);
    doc.Compact();
    QCOMPARE(doc.NodeText(1), QStringLiteral("<a k=\"v\">"));
    doc.SetNodeValue(2, QStringLiteral("x"));
    QCOMPARE(doc.NodeValue(2), QStringLiteral("x"));
}

void TestKorvelXML::prefixes()
{
    TMyXMLNodeList doc(QStringLiteral("<w:defs xmlns:w=\"u\"><w:msg w:name=\"In\" type=\"xsd:int\"/></w:defs>"), false);
    QVERIFY(!doc.Exists(QStringLiteral("msg"), 0));
    doc.SetIgnorePrefixes(true);
    QVERIFY(doc.Node(1)->IgnorePrefixes);
    QCOMPARE(doc.NodeName(1), QStringLiteral("msg"));
    QCOMPARE(doc.Node(1)->Name, QStringLiteral("w:msg"));
    QVERIFY(doc.Exists(QStringLiteral("msg"), 0));
    // Prefixed attributes count, and a prefix on the asked name is dropped.
    TMyXMLNode *msg = doc.Node(1);
    QCOMPARE(msg->GetAttribute(QStringLiteral("name")), QStringLiteral("In"));
    QCOMPARE(msg->GetAttribute(QStringLiteral("x:name")), QStringLiteral("In"));
    QVERIFY(msg->HasAttribute(QStringLiteral("name")));
    QVERIFY(doc.Locate(QStringLiteral("msg"), {QStringLiteral("name"), QStringLiteral("In")}, 0));
    QCOMPARE(StripPrefix(msg->GetAttribute(QStringLiteral("type"))), QStringLiteral("int"));
    QCOMPARE(StripPrefix(QStringLiteral("plain")), QStringLiteral("plain"));
    QCOMPARE(StripPrefix(QStringLiteral("a:b:c")), QStringLiteral("b:c"));
    doc.SetIgnorePrefixes(false);
    QVERIFY(!msg->HasAttribute(QStringLiteral("name")));
}

void TestKorvelXML::setAttribute_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("result");
    QTest::newRow("no-attributes") << "<a>" << "x" << "v" << "<a x=\"v\" >";
    QTest::newRow("append") << "<a y=\"1\">" << "x" << "v" << "<a y=\"1\" x=\"v\">";
    QTest::newRow("replace") << "<a x=\"old\" y=\"1\">" << "x" << "new" << "<a x=\"new\" y=\"1\">";
    QTest::newRow("replace-empty") << "<a x=\"\" y=\"1\">" << "x" << "v" << "<a x=\"v\" y=\"1\">";
    QTest::newRow("replace-prefixed") << "<a p:x=\"1\">" << "x" << "2" << "<a p:x=\"2\">";
    QTest::newRow("unescaped") << "<a y=\"1\">" << "q" << "<\"&" << "<a y=\"1\" q=\"<\"&\">";
    QTest::newRow("empty-element") << "<a y=\"1\"/>" << "x" << "v" << "<a y=\"1\" x=\"v\">";
}

void TestKorvelXML::setAttribute()
{
    QFETCH(QString, tag);
    QFETCH(QString, name);
    QFETCH(QString, value);
    TMyXMLNode node(0, tag);
    node.SetAttribute(name, value);
    QTEST(node.Text, "result");
    QVERIFY(node.HasAttributes);
    QCOMPARE(node.Name, QStringLiteral("a"));
}

void TestKorvelXML::upperCaseNames()
{
    TMyXMLNodeList doc(QStringLiteral("<root kind=\"mixed Case\"><item id=\"á\"/>text</root>"), false);
    doc.SetUpperCaseNames(true);
    QCOMPARE(dump(doc), (QStringList{"0 <ROOT KIND=\"mixed Case\">", "1 <ITEM ID=\"á\"> [empty]", "1 TEXT",
                                     "0 </ROOT>"}));
    QCOMPARE(doc.Node(1)->Name, QStringLiteral("ITEM"));
    // Searched names and attribute names are upper-cased too.
    QVERIFY(doc.Find(QStringLiteral("item"), 0));
    QCOMPARE(doc.CurrentIndex, 1);
    QCOMPARE(doc.Node(0)->GetAttribute(QStringLiteral("kind")), QStringLiteral("mixed Case"));
    doc.Node(0)->SetAttribute(QStringLiteral("new"), QStringLiteral("v"));
    QVERIFY(doc.Node(0)->Text.contains(QStringLiteral("NEW=\"v\"")));
    QCOMPARE(doc.NodeText(1), QStringLiteral("<ITEM ID=\"á\"/>"));
    // Accented letters follow the code page.
    TMyXMLNode accented(0, QStringLiteral("<árvíz>"));
    accented.SetUpperCase(true);
    QCOMPARE(accented.Name, QStringLiteral("ÁRVÍZ"));
}

void TestKorvelXML::values()
{
    TMyXMLNodeList doc(QStringLiteral("<r><i> 1 2 </i><f>-1.5e3</f><bad>12a</bad><e/><t>x</t></r>"), true);
    TMyXMLNode *i = doc.Node(1);
    QCOMPARE(i->GetValue(), QStringLiteral("1 2"));
    QCOMPARE(i->GetValueAsInteger(), 12);   // every control and blank removed
    QCOMPARE(doc.Node(2)->GetValueAsFloat(), -1500.0);
    QCOMPARE(errorOf([&] { doc.Node(3)->GetValueAsInteger(); }),
             QStringLiteral("\"12a\" is not a valid integer value,tag:<bad>"));
    QCOMPARE(errorOf([&] { doc.Node(3)->GetValueAsFloat(); }),
             QStringLiteral("\"12a\" is not a valid floating point value,tag:<bad>"));
    QCOMPARE(errorOf([&] { doc.Node(4)->GetValueAsInteger(); }),
             QStringLiteral("\"\" is not a valid integer value,tag:<e>"));
    doc.Node(4)->SetValueAsInteger(-42);
    QCOMPARE(doc.Node(4)->Value, QStringLiteral("-42"));
    doc.Node(4)->SetValueAsFloat(0.1);
    QCOMPARE(doc.Node(4)->Value, QStringLiteral("0.1"));
    doc.Node(4)->SetValueAsFloat(2.0);
    QCOMPARE(doc.Node(4)->Value, QStringLiteral("2"));
    QCOMPARE(doc.Node(4)->GetValueAsFloat(), 2.0);
}

void TestKorvelXML::addNode()
{
    TMyXMLNodeList doc;
    QCOMPARE(doc.AddNode(std::make_unique<TMyXMLNode>(5, QStringLiteral("<r>")), 2), 0);   // first keeps its level
    QCOMPARE(doc.AddNode(std::make_unique<TMyXMLNode>(0, QStringLiteral("<a x=\"1\"/>")), 2), 1);
    doc.AddNode(std::make_unique<TMyXMLNode>(0, QStringLiteral("<b>")), 0);
    doc.AddNode(std::make_unique<TMyXMLNode>(0, QStringLiteral("<c>")), 1);
    doc.AddNode(std::make_unique<TMyXMLNode>(9, QStringLiteral("<d>")), 3);
    QCOMPARE(doc.NodeLevel(0), 5);
    QCOMPARE(doc.NodeLevel(1), 6);
    QCOMPARE(doc.NodeLevel(2), 6);
    QCOMPARE(doc.NodeLevel(3), 5);
    QCOMPARE(doc.NodeLevel(4), 9);
    for (int k = 0; k < doc.Count(); ++k) {
        QCOMPARE(doc.Node(k)->Index, k);
        QCOMPARE(doc.Node(k)->Owner, &doc);
    }

    // A generated compact document, written with values.
    TMyXMLNodeList gen;
    gen.Compacted = true;
    gen.AddNode(std::make_unique<TMyXMLNode>(0, QStringLiteral("<r>")), 3);
    const int a = gen.AddNode(std::make_unique<TMyXMLNode>(0, QStringLiteral("<a>")), 2);
    gen.SetNodeValue(a, QStringLiteral("1"));
    gen.AddNode(std::make_unique<TMyXMLNode>(0, QStringLiteral("<b>")), 0);
    gen.Node(2)->SetAttribute(QStringLiteral("k"), QStringLiteral("v"));
    QCOMPARE(gen.GetText(), crlf({"<r>", "  <a>1</a>", "  <b k=\"v\" ></b>", "</r>"}));
}

void TestKorvelXML::childrenOfNodes()
{
    TMyXMLNodeList doc(kMetrics, true);
    TMyXMLNode *module = doc.Node(4);
    QCOMPARE(module->FirstChild()->Index, 5);
    QCOMPARE(module->ChildByName(QStringLiteral("METRIC_FILE"))->Index, 6);
    QCOMPARE(module->ChildByAttributes(QStringLiteral("*"), {QStringLiteral("Id"), QStringLiteral("7")})->Index, 6);
    QVERIFY(module->ChildExists(QStringLiteral("METRIC")));
    QVERIFY(module->LocateChildExists(QStringLiteral("METRIC"), {QStringLiteral("Id"), QStringLiteral("8")}));
    QVERIFY(!module->LocateChild(QStringLiteral("METRIC"), {QStringLiteral("Id"), QStringLiteral("7")}));
    QVERIFY(module->FindChild(QStringLiteral("METRIC_FILE")));
    QCOMPARE(doc.CurrentIndex, 6);
    QVERIFY(!module->ChildExists(QStringLiteral("TAIL")));

    TMyXMLNode *leaf = doc.Node(6);
    QVERIFY(!leaf->HasChildren());
    QVERIFY(!leaf->FindChild(QStringLiteral("X")));
    QVERIFY(!leaf->ChildExists(QStringLiteral("X")));
    QVERIFY(!leaf->LocateChild(QStringLiteral("X"), {}));
    QCOMPARE(errorOf([&] { leaf->ChildByName(QStringLiteral("X")); }), QStringLiteral("Tag METRIC_FILE has no children!"));
    QCOMPARE(errorOf([&] { leaf->ChildByAttributes(QStringLiteral("X"), {}); }),
             QStringLiteral("Tag METRIC_FILE has no children!"));
    QCOMPARE(errorOf([&] { leaf->FirstChild(); }), QStringLiteral("Node has no children"));
    QCOMPARE(errorOf([&] { module->ChildByName(QStringLiteral("X")); }), QStringLiteral("Tag \"X\" doesn't exist"));
    TMyXMLNode loose(0, QStringLiteral("<x>"));
    QVERIFY(!loose.HasChildren());
    QVERIFY(!loose.NextSibling());
}

void TestKorvelXML::clearResets()
{
    TMyXMLNodeList doc(QStringLiteral("<?xml v=\"1\"?><!DOCTYPE r><r><a>1</a></r>"), true);
    doc.SetUpperCaseNames(true);
    doc.SetIgnorePrefixes(true);
    doc.CaseInsensitiveValues = true;
    doc.WrapColumn = 60;
    doc.GoTo(1);
    doc.Clear();
    QCOMPARE(doc.Count(), 0);
    QVERIFY(doc.DocumentHeader.isEmpty() && doc.ProcessingInstructions.isEmpty());
    QVERIFY(!doc.Compacted && !doc.UpperCaseNames && !doc.IgnorePrefixes && !doc.CaseInsensitiveValues);
    QCOMPARE(doc.CurrentIndex, 0);
    QCOMPARE(doc.CurrentLevel, 0);
    QCOMPARE(TMyXMLNodeList().WrapColumn, 100);
}

void TestKorvelXML::filesRoundTrip()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString source = QStringLiteral("<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n"
                                          "<!DOCTYPE r SYSTEM \"r.dtd\">\r\n"
                                          "<r név=\"Ő\">\r\n  <a>árvíz</a>\r\n  <b/>\r\n</r>\r\n");
    const QString path = dir.filePath(QStringLiteral("in.xml"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(CodePage1250::encode(source));
    }

    // Non-compact: the file comes back as it was read, declaration included.
    TMyXMLNodeList doc(TMyXMLNodeList::FromFile, path, false);
    QCOMPARE(doc.Node(1)->GetAttribute(QStringLiteral("név")), QStringLiteral("Ő"));
    const QString out = dir.filePath(QStringLiteral("out.xml"));
    doc.SaveToFile(out);
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(CodePage1250::decode(f.readAll()), source);
    f.close();

    // Compact: headers first, then the elements.
    auto compact = TMyXMLNodeList::fromFile(path, true);
    compact->SaveToFile(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(CodePage1250::decode(f.readAll()),
             QStringLiteral("<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<!DOCTYPE r SYSTEM \"r.dtd\">\r\n"
                            "<r név=\"Ő\">\r\n  <a>árvíz</a>\r\n  <b/>\r\n</r>\r\n"));
    f.close();
    // A subtree of a compact document still gets the headers.
    compact->SaveToFile(out, 1);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(CodePage1250::decode(f.readAll()).endsWith(QStringLiteral("r.dtd\">\r\n  <a>árvíz</a>\r\n")));
    f.close();

    // A comment that stands for the header is a node already: written once.
    TMyXMLNodeList commented(QStringLiteral("<!-- DOCTYPE r --><r/>"), false);
    commented.SaveToFile(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(CodePage1250::decode(f.readAll()), QStringLiteral("<!-- DOCTYPE r -->\r\n<r/>\r\n"));
    f.close();
}

void TestKorvelXML::lineBreaksFromFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lf.xml"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("<r>one\ntwo\rthree\r\n\nfour</r>\n");
    f.close();
    TMyXMLNodeList doc(TMyXMLNodeList::FromFile, path, false);
    QCOMPARE(doc.Node(1)->Text, QStringLiteral("one\r\ntwo\r\nthree\r\n\r\nfour"));
}

void TestKorvelXML::fileReadsAsItsLines_data()
{
    // Files are read from their code-page bytes: whatever the bytes, the
    // document is the one their text, read as lines joined with CR LF, gives.
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("CR LF, break at the end") << QByteArray("<r>\r\n <a x=\"1\">t</a>\r\n</r>\r\n");
    QTest::newRow("two breaks at the end") << QByteArray("<r><a>t</a><b/></r>\r\n\r\n");
    QTest::newRow("LF, CR and mixed") << QByteArray("<r>\n<a>one\rtwo\r\nthree\n\nfour</a>\r<b/></r>\n");
    QTest::newRow("code-page letters") << QByteArray("<r n\xe9v=\"\x8a\xf5\"><\xe1rv\xedz>\x8a\x81\xa0</\xe1rv\xedz><b/></r>");
    QTest::newRow("tags with blanks and breaks")
        << QByteArray("<r>\r\n<a\r\n\t x = \"\xe9 >/\" \r\n y=\"2\"\t/>< b ></ b\n></r>");
    QTest::newRow("declarations, comments, CDATA")
        << QByteArray("<?xml version=\"1.0\"?>\r\n<!DOCTYPE r>\n<!-- DOCTYPE \xe9 -->\r<r><![CDATA[<x>]]><a>v</a></r>");
    QTest::newRow("reading error after some lines") << QByteArray("<r>\r\n<a>\xe9</a>\n<b><c/></d></r>");
    QTest::newRow("unfinished tag at the end") << QByteArray("<r><a>t</a><b x=\"1");
}

void TestKorvelXML::fileReadsAsItsLines()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("in.xml"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    const QString text = TextFile::readLines(path).join(QStringLiteral("\r\n"));
    for (const bool compact : {false, true}) {
        TMyXMLNodeList fromFile;
        TMyXMLNodeList fromText;
        QCOMPARE(errorOf([&] { fromFile.LoadFromFile(path, compact); }),
                 errorOf([&] { fromText.LoadFromText(text, compact); }));
        QCOMPARE(dump(fromFile), dump(fromText));
        QCOMPARE(fromFile.Compacted, fromText.Compacted);
        QCOMPARE(fromFile.ProcessingInstructions, fromText.ProcessingInstructions);
        QCOMPARE(fromFile.DocumentHeader, fromText.DocumentHeader);
        QVERIFY(fromFile.Count() > 0);
    }
}

void TestKorvelXML::missingFile()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("none.xml"));
    QVERIFY_THROWS_EXCEPTION(EFileError, TMyXMLNodeList::fromFile(missing, true));
    TMyXMLNodeList doc(QStringLiteral("<a/>"));
    QVERIFY_THROWS_EXCEPTION(EFileError, doc.SaveToFile(dir.filePath(QStringLiteral("no/such/dir/x.xml"))));
}

void TestKorvelXML::badInput_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("unbalanced") << QByteArray("<a><b></a></b>");
    QTest::newRow("only-ends") << QByteArray("</a></b>");
    QTest::newRow("lone-lt") << QByteArray("<");
    QTest::newRow("empty-name") << QByteArray("<><//></>");
    QTest::newRow("quote-in-name") << QByteArray("<a\"b>c\"></a\"b>");
    QTest::newRow("odd-quotes") << QByteArray("<a x=\"1\"\"y/><b/>");
    QTest::newRow("nul-and-controls") << QByteArray("<a>\0\x01\x02</a>\0<b/>", 16);
    QTest::newRow("slash-blank") << QByteArray("<a/ ><b/></a/>");
    QTest::newRow("no-blank-eq") << QByteArray("<a=b =\"1\"/><c x=/>");
    QTest::newRow("pi-cdata-mix") << QByteArray("<?<![CDATA[?><!-- -- --><![CDATA[]]><!>");
    QByteArray binary;
    QRandomGenerator gen(1234);
    for (int i = 0; i < 20000; ++i)
        binary.append(char(gen.bounded(256)));
    QTest::newRow("binary") << binary;
    QByteArray ltHeavy;
    for (int i = 0; i < 20000; ++i)
        ltHeavy.append("<\"/>="[gen.bounded(5)]);
    QTest::newRow("markup-noise") << ltHeavy;
}

void TestKorvelXML::badInput()
{
    QFETCH(QByteArray, bytes);
    const QString text = CodePage1250::decode(bytes);
    {
        TMyXMLNodeList direct, later;
        const QString directError = errorOf([&] { direct.LoadFromText(text, true); });
        const QString laterError = errorOf([&] { later.LoadFromText(text, false); });
        QCOMPARE(directError, laterError);
        if (!later.Compacted && laterError == QStringLiteral("<no error>"))
            later.Compact();
        QCOMPARE(dump(direct), dump(later));
    }
    for (bool compact : {false, true}) {
        TMyXMLNodeList doc;
        try {
            doc.LoadFromText(text, compact);
        } catch (const EXMLError &) {
        }
        doc.Compact();
        for (int i = 0; i < doc.Count(); ++i)
            QCOMPARE(doc.Node(i)->Index, i);
        const QString written = doc.GetText(-1, true);
        QCOMPARE(written.isEmpty(), doc.Count() == 0);
        if (doc.Count() > 0) {
            (void)doc.GetText(doc.Count() / 2, false);
            doc.GoTo(doc.Count() / 2);
            (void)doc.Find(QStringLiteral("a"));
            (void)doc.Locate(QStringLiteral("*"), {QStringLiteral("x"), QStringLiteral("1")}, 0);
        }
        TMyXMLNodeList again;
        try {
            again.LoadFromText(written, false);
        } catch (const EXMLError &) {
        }
    }
}

void TestKorvelXML::truncatedEverywhere()
{
    // Every prefix of a real document reads without crashing; the open
    // elements at the cut are simply not reported.
    for (int cut = 0; cut <= kMetrics.size(); ++cut) {
        TMyXMLNodeList doc;
        doc.LoadFromText(kMetrics.left(cut), true);
        const QString text = doc.GetText(-1, true);
        QCOMPARE(text.isEmpty(), doc.Count() == 0);
    }
    TMyXMLNodeList full(kMetrics.left(kMetrics.indexOf(QStringLiteral("<TAIL"))), false);
    QCOMPARE(full.Node(full.Count() - 1)->Text, QStringLiteral("</SYSTEM>"));
}

void TestKorvelXML::deepNesting()
{
    // No recursion anywhere: deep documents read, compact and search.
    const int depth = 200000;
    const QString deep = QStringLiteral("<d>").repeated(depth) + u'x' + QStringLiteral("</d>").repeated(depth);
    TMyXMLNodeList doc(deep, false);
    QCOMPARE(doc.Count(), 2 * depth + 1);
    QCOMPARE(doc.NodeLevel(depth), depth);
    QVERIFY(doc.Find(QStringLiteral("d"), depth - 1));
    QCOMPARE(doc.CurrentIndex, depth - 1);
    doc.Compact();
    QCOMPARE(doc.Count(), depth);
    QCOMPARE(doc.Node(depth - 1)->Value, QStringLiteral("x"));
    TMyXMLNodeList open(QStringLiteral("<d>").repeated(depth), true);
    QCOMPARE(open.Count(), depth);

    // Writing indents every level, so it is checked at a smaller depth.
    const int shallow = 2000;
    TMyXMLNodeList small(QStringLiteral("<d>").repeated(shallow) + u'x' + QStringLiteral("</d>").repeated(shallow), true);
    TMyXMLNodeList again(small.GetText(-1, false), true);
    QCOMPARE(dump(again), dump(small));
    TMyXMLNodeList unclosed(QStringLiteral("<d>").repeated(shallow), true);
    QCOMPARE(unclosed.GetText(0, true).count(QStringLiteral("</d>")), shallow);
}

QTEST_GUILESS_MAIN(TestKorvelXML)
#include "tst_korvelxml.moc"
