#pragma once
// "Generate WSDL": a WSDL document for one interface of the repository,
// assembled as lines of markup and written with two-blank indentation, in
// the layout of the XML document model, into the output directory's
// "ExportDir" folder. Also the pieces both generators share: reading one interface's rows
// and the export file names.
//
// The callers close an open search of the browser first; the generators read
// the repository through their own queries and leave the tables where they
// are.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <unordered_set>
#include <optional>
#include <vector>

class TDM;
class IReporter;

// ---- The rows of one interface ---------------------------------------------

// A text that many rows of an interface share (types, kinds of content,
// comments): a pointer into the interface's table of texts, so that an
// interface of many thousands of rows holds little more than their keys and
// names.
class TRowText
{
public:
    TRowText() = default;
    explicit TRowText(const QString *text) : m_text(text) {}
    const QString &text() const { return m_text ? *m_text : empty(); }
    operator const QString &() const { return text(); }
    bool isEmpty() const { return !m_text || m_text->isEmpty(); }
    friend bool operator==(const TRowText &a, QLatin1String b) { return a.text() == b; }
    friend bool operator!=(const TRowText &a, QLatin1String b) { return a.text() != b; }
    friend bool operator==(const TRowText &a, const QString &b) { return a.text() == b; }
    friend bool operator!=(const TRowText &a, const QString &b) { return a.text() != b; }

private:
    static const QString &empty();
    const QString *m_text = nullptr;
};

struct TExportParameter
{
    qint64 kulcs = 0;
    qint32 levelX = 0;
    bool xsType = false;
    bool xsArray = false;
    QString name;
    TRowText typeX;
    TRowText kommentar;
    TRowText sequenceType;
};

struct TExportMessage
{
    qint64 kulcs = 0;
    QString typeX;
    QString name;
    QString kommentar;
    std::vector<TExportParameter> parameters; // key order
};

struct TExportOperation
{
    qint64 kulcs = 0;
    QString name;
    QString kommentar;
    std::vector<TExportMessage> messages; // key order
};

struct TExportInterface
{
    // The texts the rows share; its nodes never move, so the rows' pointers
    // stay valid when the interface is moved.
    std::shared_ptr<const std::unordered_set<QString>> texts;
    qint64 kulcs = 0;
    QString name;
    QString definitionsName;
    QString kommentar;
    std::vector<TExportOperation> operations; // key order
};

// Where a generator's lines go, one each: a list, the layout of a file, or
// nowhere (a pass that only settles what a document declares).
class TLineSink
{
public:
    virtual ~TLineSink() = default;
    virtual void add(const QString &line) = 0;
    TLineSink &operator<<(const QString &line)
    {
        add(line);
        return *this;
    }
    TLineSink &operator<<(const QStringList &lines)
    {
        for (const QString &line : lines)
            add(line);
        return *this;
    }
};

class TListSink : public TLineSink
{
public:
    void add(const QString &line) override { lines << line; }
    QStringList lines;
};

namespace RepositoryExport {

// The interface with its operations, messages and parameters, each set read
// by its parent key (UpPointer) in key order. Pending edits of the browser's
// tables are posted first, so the file shows what the user sees. None when
// the repository has no such interface; EDatabaseError when a query fails.
std::optional<TExportInterface> ReadInterface(TDM &dm, qint64 interfaceKulcs);

// The current interface of the browser; none without one (or while the
// repository is closed).
std::optional<qint64> CurrentInterface(TDM &dm);

// outputDir/ExportDir/<name><extension>; a "/", "\" or NUL in the name becomes "_".
QString ExportFolder(const QString &outputDir);
QString ExportFileName(const QString &outputDir, const QString &interfaceName, const QString &extension);
// The name with "/", "\" and NUL made "_", as ExportFileName uses it.
QString FileNameText(const QString &name);
// Creates the export folder with missing parents; EFileError when that fails.
void EnsureExportFolder(const QString &outputDir);

// Runs a step that writes the file of the interface; the message of a file,
// markup or database failure then names both.
void ForInterfaceFile(const QString &interfaceName, const QString &file, const std::function<void()> &step);

// Runs the command body; with a reporter a failure is reported there and
// ends the command (EAbort), without one it passes to the caller.
QString Run(IReporter *reporter, const std::function<QString()> &body);

} // namespace RepositoryExport

namespace WsdlGenerator {

// The three line lists joined: the markup as assembled, before the reader
// normalises it.
//
// Besides the port type the document holds an rpc/encoded SOAP 1.1 binding
// and a service with one port. Every type it refers to is declared in it,
// from the interface's own rows: each message once with all its parts, each
// complex type once. Values are escaped where they would break the markup;
// a reference that XML predefines is kept, as the import stores them.
QStringList WsdlLines(TDM &dm, const TExportInterface &face);

// The address of the service port: the workbench's "Generate.ServiceAddress"
// (ServiceAddress() when not set) followed by the interface's name.
void SetServiceAddress(const QString &address);
QString ServiceAddress(const QString &interfaceName);
QString DefaultServiceAddress();
// The lines read into the document model and written from it; the text is
// checked with a namespace-aware XML reader, so markup that still breaks
// raises EXMLError with the reader's message.
QString WsdlText(const QStringList &lines);

// The document written to the file as it is generated, with the layout and
// the check of WsdlText (the same bytes) but without holding its text. The
// file is replaced only when the whole document passed the check.
void WriteDocument(const TExportInterface &face, const QString &file);

} // namespace WsdlGenerator

// Writes the WSDL document of the interface and returns the file's path
// (empty when there is no such interface). An existing file is replaced only
// by a document that passed the check. Failures: EFileError, EXMLError,
// EDatabaseError, or, with a reporter, reported there and EAbort.
// fileBase names the file instead of the interface's name (without extension).
QString GenerateWSDL(TDM &dm, qint64 interfaceKulcs, const QString &outputDir, IReporter *reporter = nullptr,
                     const QString &fileBase = QString());
// The same for the browser's current interface (nothing without one).
QString GenerateWSDL(TDM &dm, const QString &outputDir, IReporter *reporter = nullptr);
// The document of rows read already, so that a run generating several files
// per interface reads its rows once; the failures of GenerateWSDL without a
// reporter.
QString WriteWSDL(TDM &dm, const TExportInterface &face, const QString &outputDir,
                  const QString &fileBase = QString());
