// PDF2TXT document text-file
//
// Writes the text of a PDF (".pdf") or Word 97 (".doc") document as a
// windows-1250 text file with CR LF line ends. A document that cannot be
// read leaves no text file (an earlier one of that name is removed), so
// the caller sees the failure by the file's absence. Exit status 0 when the
// text file was written, 1 when the document could not be read, 2 on a
// wrong call.

#include "Errors.h"
#include "TextFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <poppler-document.h>
#include <poppler-page.h>

#include <cstdio>
#include <memory>

namespace {

bool pdfText(const QString &path, QString &text, QString &error)
{
    std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(QFile::encodeName(path).toStdString()));
    if (!doc) {
        error = QStringLiteral("not a readable PDF document");
        return false;
    }
    if (doc->is_locked()) {
        error = QStringLiteral("the document is locked");
        return false;
    }
    const int pages = doc->pages();
    for (int i = 0; i < pages; ++i) {
        std::unique_ptr<poppler::page> page(doc->create_page(i));
        if (!page)
            continue;
        const poppler::byte_array bytes = page->text(poppler::rectf(), poppler::page::physical_layout).to_utf8();
        text += QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
        if (!text.endsWith(QLatin1Char('\n')))
            text += QLatin1Char('\n');
    }
    return true;
}

bool docText(const QString &path, QString &text, QString &error)
{
    const QString antiword = QStandardPaths::findExecutable(QStringLiteral("antiword"));
    if (antiword.isEmpty()) {
        error = QStringLiteral("antiword is not installed");
        return false;
    }
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(antiword, {QStringLiteral("-m"), QStringLiteral("UTF-8.txt"), QStringLiteral("-w"), QStringLiteral("0"), path});
    if (!process.waitForStarted(-1) || !process.waitForFinished(-1)) {
        error = QStringLiteral("antiword could not be run");
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        error = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        if (error.isEmpty())
            error = QStringLiteral("not a readable Word document");
        return false;
    }
    text = QString::fromUtf8(process.readAllStandardOutput());
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2) {
        std::fprintf(stderr, "Usage: PDF2TXT document text-file\n");
        return 2;
    }
    const QString document = args[0];
    const QString target = args[1];
    QFile::remove(target);
    const QString suffix = QFileInfo(document).suffix().toLower();
    QString text, error;
    bool ok = false;
    if (!QFileInfo(document).isFile())
        error = QStringLiteral("no such file");
    else if (suffix == QLatin1String("pdf"))
        ok = pdfText(document, text, error);
    else if (suffix == QLatin1String("doc"))
        ok = docText(document, text, error);
    else
        error = QStringLiteral("only .pdf and .doc documents are converted");
    if (!ok) {
        std::fprintf(stderr, "PDF2TXT: %s: %s\n", qPrintable(document), qPrintable(error));
        return 1;
    }
    // Form feeds between pages and lone CRs become plain line ends.
    text.replace(QLatin1Char('\f'), QLatin1Char('\n'));
    try {
        TextFile::writeLines(target, TextFile::splitLines(text));
    } catch (const EFileError &e) {
        std::fprintf(stderr, "PDF2TXT: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
