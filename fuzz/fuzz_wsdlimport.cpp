// Fuzzes the WSDL import into a real repository. Whatever the document,
// the import ends in an error or in rows, never in a crash or a hang, and a
// failed import leaves every table as it was before it.

#include "QuenbarDB.h"
#include "WsdlImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

struct TState
{
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<QTemporaryDir> out;
    std::unique_ptr<TDM> dm;
    QString file;
};

// Never destroyed: at exit the SQL driver's registry may be gone before it.
TState &state()
{
    static TState *s = new TState;
    return *s;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

std::array<qint64, 5> counts(const TDM &dm)
{
    std::array<qint64, 5> result{};
    const char *tables[] = {"Interfaces", "Operations", "InputsOutputs", "Parameters", "XDuplis"};
    for (size_t i = 0; i < result.size(); ++i) {
        QSqlQuery q = dm.QWork();
        check(q.exec(QStringLiteral("select count(*) from %1").arg(QLatin1String(tables[i]))) && q.next());
        result[i] = q.value(0).toLongLong();
    }
    return result;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    TState &s = state();
    s.app = std::make_unique<QCoreApplication>(*argc, *argv);
    s.out = std::make_unique<QTemporaryDir>();
    check(s.out->isValid());
    s.dm = std::make_unique<TDM>();
    // One run of imports, as the workbench makes it.
    s.dm->SetBulkWrites(true);
    s.file = s.out->filePath(QStringLiteral("Fuzz.wsdl"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TState &s = state();
    {
        QFile f(s.file);
        check(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(f.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
        f.close();
    }
    TWsdlImporter importer(*s.dm, s.out->path());
    importer.SetMaxParameterRows(20000); // keeps each input quick; the guard is what is fuzzed
    const bool open = s.dm->Connected();
    const std::array<qint64, 5> before = open ? counts(*s.dm) : std::array<qint64, 5>{};
    try {
        const TWsdlImportCounts imported = importer.ImportWsdlFile(s.file);
        // The document replaced the one of the same base name: one interface per port type.
        check(imported.interfaces >= 1 && counts(*s.dm)[0] == imported.interfaces);
    } catch (const EQuenbarError &) {
        if (open && s.dm->Connected())
            check(counts(*s.dm) == before);
    }
    check(!s.dm->Importing());
    return 0;
}
