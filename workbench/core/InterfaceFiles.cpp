#include "InterfaceFiles.h"

#include "CodePage1250.h"
#include "Commands.h"
#include "Errors.h"
#include "QuenbarDB.h"
#include "SharedRoutinesCommon.h"
#include "Reporting.h"
#include "ScriptGenerator.h"
#include "WsdlGenerator.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace InterfaceFiles {
namespace {

// A name the folder keeps as one visible file: no delimiters, no NUL, no
// leading dot (a hidden file).
QString fileSafe(const QString &text)
{
    QString safe = RepositoryExport::FileNameText(text.trimmed());
    for (QChar &c : safe) {
        if (c != u'.')
            break;
        c = u'_';
    }
    return safe;
}

QString folded(const QString &text)
{
    return CodePage1250::toUpper(text);
}

QString keyName(const TInterfaceFile &face)
{
    return QStringLiteral("Interface") + QString::number(face.kulcs);
}

} // namespace

void AssignFileBases(std::vector<TInterfaceFile> &faces)
{
    std::vector<QString> own;
    own.reserve(faces.size());
    QHash<QString, int> uses;
    for (const TInterfaceFile &face : faces) {
        QString base = fileSafe(face.name);
        if (base.isEmpty())
            base = fileSafe(face.csvName);
        if (base.isEmpty())
            base = keyName(face);
        own.push_back(base);
        ++uses[folded(base)];
    }
    // The names that are unique stay as they are and are taken first, so a
    // longer name made for a shared one never pushes them aside.
    QSet<QString> taken;
    for (std::size_t i = 0; i < faces.size(); ++i)
        if (uses.value(folded(own[i])) == 1)
            taken.insert(folded(own[i]));
    for (std::size_t i = 0; i < faces.size(); ++i) {
        TInterfaceFile &face = faces[i];
        if (uses.value(folded(own[i])) == 1) {
            face.fileBase = own[i];
            continue;
        }
        const QString csv = fileSafe(face.csvName);
        QString candidate = csv.isEmpty() || SameText(csv, own[i]) ? own[i] : own[i] + QLatin1Char('_') + csv;
        if (taken.contains(folded(candidate)) || candidate == own[i]) {
            const QString keyed = candidate + QLatin1Char('_') + QString::number(face.kulcs);
            candidate = keyed;
            for (int n = 2; taken.contains(folded(candidate)); ++n)
                candidate = keyed + QLatin1Char('_') + QString::number(n);
        }
        taken.insert(folded(candidate));
        face.fileBase = candidate;
    }
}

std::vector<TInterfaceFile> ReadAll(TDM &dm)
{
    QSqlQuery q = dm.QWork();
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select Kulcs, Name, CSVName from Interfaces order by NameFold, Kulcs")))
        throw EDatabaseError(q.lastError().text());
    std::vector<TInterfaceFile> faces;
    while (q.next()) {
        TInterfaceFile face;
        face.kulcs = q.value(0).toLongLong();
        face.name = q.value(1).toString();
        face.csvName = q.value(2).toString();
        faces.push_back(face);
    }
    AssignFileBases(faces);
    return faces;
}

TGeneratedInterface Generate(TDM &dm, const TInterfaceFile &face, const QString &outputDir, IReporter *reporter,
                             bool announce)
{
    TGeneratedInterface done;
    done.face = face;
    // The rows are read once for both files; each file fails on its own.
    std::optional<TExportInterface> rows;
    RunCommand(reporter, [&] {
        RepositoryExport::Run(reporter, [&] {
            rows = RepositoryExport::ReadInterface(dm, face.kulcs);
            return QString();
        });
    });
    if (rows) {
        RunCommand(reporter, [&] {
            done.wsdl = RepositoryExport::Run(reporter, [&] { return WriteWSDL(dm, *rows, outputDir, face.fileBase); });
        });
        RunCommand(reporter, [&] {
            done.asr = RepositoryExport::Run(reporter, [&] { return WriteASR(*rows, outputDir, face.fileBase); });
        });
    }
    if (reporter && announce) {
        const QString who = QStringLiteral("Interface ") + face.name
                            + (face.csvName.isEmpty() ? QString() : QStringLiteral(" (") + face.csvName + QLatin1Char(')'));
        for (const QString &file : {done.wsdl, done.asr})
            if (!file.isEmpty())
                reporter->ShowInfo(who.simplified() + QStringLiteral(": ") + file);
    }
    return done;
}

} // namespace InterfaceFiles
