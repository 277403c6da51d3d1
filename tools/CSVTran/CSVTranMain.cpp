// CSVTran last.xml
//
// The export file converter, started in the output directory with a
// parameter file whose root element is CSVTRAN. For every pair
// Orig_File_n / File_n it reads the export Exports/<Orig_File_n> and writes
// it in the documented export form (windows-1250, CR LF, fields trimmed
// and quoted only where needed, trailing empty fields, empty lines and
// comment lines left out) as Exports/<File_n>. It ends at once, leaving no
// half-written file, when "Semaphore.xml" appears in the output directory.
// Exit status 0 when every export was converted, 1 otherwise, 2 on a wrong call.

#include "Errors.h"
#include "KorvelXML.h"
#include "TextFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>

#include <cstdio>

namespace {

bool cancelled()
{
    return QFileInfo::exists(QStringLiteral("Semaphore.xml"));
}

QStringList splitFields(const QString &line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < line.size() && line[i + 1] == u'"') {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == u'"' && field.trimmed().isEmpty()) {
            field.clear();
            quoted = true;
        } else if (c == u';') {
            fields << field.trimmed();
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field.trimmed();
    return fields;
}

QString joinFields(QStringList fields)
{
    while (!fields.isEmpty() && fields.last().isEmpty())
        fields.removeLast();
    for (QString &f : fields)
        if (f.contains(QLatin1Char(';')) || f.contains(QLatin1Char('"')))
            f = QLatin1Char('"') + QString(f).replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
    return fields.join(QLatin1Char(';'));
}

// An entry must name a file below "Exports": nothing else is read or written.
bool safeName(const QString &name)
{
    if (name.isEmpty() || QDir::isAbsolutePath(name) || name.contains(QLatin1Char('\\')))
        return false;
    return !QDir::cleanPath(name).startsWith(QLatin1String("..")) && !name.split(QLatin1Char('/')).contains(QStringLiteral(".."));
}

// false when cancelled.
bool convert(const QString &source, const QString &target)
{
    const QStringList lines = TextFile::readLines(source);
    TextFile::TWriter writer(target);
    int n = 0;
    for (const QString &line : lines) {
        if (++n % 1000 == 0 && cancelled())
            return false;
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        writer.writeLine(joinFields(splitFields(line)));
    }
    if (cancelled())
        return false;
    writer.commit();
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1) {
        std::fprintf(stderr, "Usage: CSVTran last.xml\n");
        return 2;
    }
    QMap<QString, QString> originals, targets;   // by the four-digit number
    try {
        TMyXMLNodeList doc(TMyXMLNodeList::FromFile, args[0], true);
        bool root = false;
        for (int i = 0; i < doc.Count(); ++i) {
            const TMyXMLNode *node = doc.Node(i);
            if (!node->IsStartTag())
                continue;
            const QString name = node->GetName();
            if (!root) {
                if (name != QLatin1String("CSVTRAN")) {
                    std::fprintf(stderr, "CSVTran: %s is not a CSVTRAN parameter file\n", qPrintable(args[0]));
                    return 1;
                }
                root = true;
            } else if (name.startsWith(QLatin1String("Orig_File_"))) {
                originals.insert(name.mid(10), node->GetValue().trimmed());
            } else if (name.startsWith(QLatin1String("File_"))) {
                targets.insert(name.mid(5), node->GetValue().trimmed());
            }
        }
    } catch (const EQuenbarError &e) {
        std::fprintf(stderr, "CSVTran: %s\n", qPrintable(e.message()));
        return 1;
    }
    int failures = 0;
    for (auto it = originals.cbegin(); it != originals.cend(); ++it) {
        if (cancelled()) {
            std::fprintf(stderr, "CSVTran: cancelled\n");
            return 1;
        }
        const QString target = targets.value(it.key());
        if (!safeName(it.value()) || !safeName(target)) {
            std::fprintf(stderr, "CSVTran: entry %s is refused: it must name a file below Exports\n", qPrintable(it.key()));
            ++failures;
            continue;
        }
        try {
            if (!convert(QStringLiteral("Exports/") + it.value(), QStringLiteral("Exports/") + target)) {
                std::fprintf(stderr, "CSVTran: cancelled\n");
                return 1;
            }
        } catch (const EQuenbarError &e) {
            std::fprintf(stderr, "CSVTran: %s\n", qPrintable(e.message()));
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
