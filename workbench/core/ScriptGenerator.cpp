#include "ScriptGenerator.h"

#include "SharedRoutinesCommon.h"
#include "TextFile.h"
#include "WsdlGenerator.h"

#include <QtGlobal>

namespace ScriptGenerator {
namespace {

QString blanks(qint64 count)
{
    return QString(qsizetype(qMax<qint64>(0, count)), QLatin1Char(' '));
}

// The words of a message, told by its direction.
struct TDirection
{
    QString word;
    QString prefix;
    QString closing;
};

TDirection directionOf(const TExportMessage &message)
{
    if (message.typeX == QLatin1String("input"))
        return {QStringLiteral("request"), QStringLiteral("inp"), QStringLiteral("endRequest")};
    return {QStringLiteral("response"), QStringLiteral("out"), QStringLiteral("endResponse")};
}

// The lines written into the script file as they are made.
class TScriptFile : public TLineSink
{
public:
    explicit TScriptFile(TextFile::TWriter &writer) : m_writer(writer) {}
    void add(const QString &line) override { m_writer.writeLine(line); }

private:
    TextFile::TWriter &m_writer;
};

} // namespace

QString AttachComment(const QString &line, const QString &comment)
{
    if (comment.isEmpty())
        return line;
    QString c = TrimControls(comment);
    if (!c.startsWith(QLatin1String("//")))
        c.prepend(QLatin1String("  // "));
    // Further lines start under the first comment. A comment typed on this
    // platform may break its lines with LF alone: every break counts, so the
    // file keeps CR LF throughout.
    const QString continuation = QStringLiteral("\r\n") + blanks(line.size()) + QStringLiteral("  // ");
    QString out = line;
    out.reserve(line.size() + c.size());
    for (qsizetype i = 0; i < c.size(); ++i) {
        const QChar ch = c[i];
        if (ch == u'\r' || ch == u'\n') {
            out += continuation;
            if (ch == u'\r' && i + 1 < c.size() && c[i + 1] == u'\n')
                ++i;
        } else {
            out += ch;
        }
    }
    return out;
}

QString ItemName(const QString &name)
{
    const qsizetype bracket = name.indexOf(u'[');
    return TrimControls(bracket < 0 ? name : name.left(bracket));
}

void EmitScript(const TExportInterface &face, TLineSink &out)
{
    out << AttachComment(QStringLiteral("service: %1;").arg(face.definitionsName), face.kommentar)
        << QStringLiteral("   if (testcase = \"Dummy_TestCase_001\"")
        << QStringLiteral("   //  This test case is automatically inserted if")
        << QStringLiteral("   //  there is no testCase file");

    // The level of the parameter row handled last in this run: it indents
    // the line of a message without parameters.
    qint64 lastLevel = 0;
    for (const TExportOperation &op : face.operations) {
        out << AttachComment(QStringLiteral("      if ( operation =   \"%1\");").arg(op.name), op.kommentar);
        for (const TExportMessage &m : op.messages) {
            const TDirection dir = directionOf(m);
            out << AttachComment(QStringLiteral("         if ( %1  =   \"%2\");").arg(dir.word, m.name), m.kommentar);

            QStringList closeStack; // the most recently opened object first
            qint64 previous = -1;
            if (m.parameters.empty())
                out << blanks(3 * lastLevel)
                           + QStringLiteral("         assert %1.%2_DummyParam = \"?\"; // %3 without parameter")
                                 .arg(dir.prefix, QString(), dir.word);
            for (const TExportParameter &p : m.parameters) {
                const qint64 level = p.levelX;
                // A fall deeper than the objects opened closes what is open.
                for (qint64 pops = previous - level; pops > 0 && !closeStack.isEmpty(); --pops)
                    out << closeStack.takeFirst();
                const QString indent = blanks(3 * level);
                if (p.xsType) {
                    const QString line =
                        p.xsArray ? indent + QStringLiteral("         assert %1.%2[1] = \"\";").arg(dir.prefix, ItemName(p.name))
                                  : indent + QStringLiteral("         assert %1.%2 = \"\";").arg(dir.prefix, p.name);
                    out << AttachComment(line, p.kommentar);
                } else {
                    if (p.sequenceType == QLatin1String("complexContent"))
                        out << indent + QStringLiteral("         if object = \"%1\" occurs = \"1\";").arg(p.name);
                    else if (p.xsArray)
                        out << indent + QStringLiteral("         if object = \"%1[1]\";").arg(ItemName(p.name));
                    else
                        out << indent + QStringLiteral("         if object = \"%1\";").arg(p.name);
                    closeStack.prepend(indent + QStringLiteral("         endObject;   // %1").arg(p.name));
                }
                previous = level;
                lastLevel = level;
            }
            out << closeStack;
            out << QStringLiteral("         %1;").arg(dir.closing);
        }
        out << QStringLiteral("      endOperation;   // %1").arg(op.name);
    }
    out << QStringLiteral("   endCase; ") << QStringLiteral("end; /* service %1 */").arg(face.definitionsName);
}

QStringList ScriptLines(const TExportInterface &face)
{
    TListSink lines;
    EmitScript(face, lines);
    return lines.lines;
}

} // namespace ScriptGenerator

QString WriteASR(const TExportInterface &face, const QString &outputDir, const QString &fileBase)
{
    const QString file =
        RepositoryExport::ExportFileName(outputDir, fileBase.isEmpty() ? face.name : fileBase, QStringLiteral(".asr"));
    RepositoryExport::ForInterfaceFile(face.name, file, [&] {
        RepositoryExport::EnsureExportFolder(outputDir);
        TextFile::TWriter writer(file);
        ScriptGenerator::TScriptFile lines(writer);
        ScriptGenerator::EmitScript(face, lines);
        writer.commit();
    });
    return file;
}

QString GenerateASR(TDM &dm, qint64 interfaceKulcs, const QString &outputDir, IReporter *reporter,
                    const QString &fileBase)
{
    return RepositoryExport::Run(reporter, [&]() -> QString {
        const std::optional<TExportInterface> face = RepositoryExport::ReadInterface(dm, interfaceKulcs);
        return face ? WriteASR(*face, outputDir, fileBase) : QString();
    });
}

QString GenerateASR(TDM &dm, const QString &outputDir, IReporter *reporter)
{
    return RepositoryExport::Run(reporter, [&]() -> QString {
        const std::optional<qint64> key = RepositoryExport::CurrentInterface(dm);
        return key ? GenerateASR(dm, *key, outputDir, nullptr) : QString();
    });
}
