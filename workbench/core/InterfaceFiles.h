#pragma once
// The files of the interfaces a run generates: which interfaces, in which
// order, and under which base name each one's WSDL document and script go
// into "ExportDir". Interfaces of different documents often share a name
// (many services call their port type "IService1"), so a base name made of
// the name alone would let one interface overwrite another's files; the
// unattended run and quenbar-cli both name the files here, so they agree.

#include <QString>

#include <vector>

class IReporter;
class TDM;

struct TInterfaceFile
{
    qint64 kulcs = 0;
    QString name;
    QString csvName;
    QString fileBase; // the file name without ".wsdl" / ".asr"
};

struct TGeneratedInterface
{
    TInterfaceFile face;
    QString wsdl; // the files written; empty when that generation failed
    QString asr;
};

namespace InterfaceFiles {

// Gives every interface a base name, in the order given: its name when no
// other interface has it (compared without case, as a file system may);
// name + "_" + CSV name when others have it; + "_" + key when that is taken
// too. An interface without a name is named after its CSV name, or
// "Interface" + key without one. Characters that would lead out of the
// folder become "_". The names depend only on the list, so a run over the
// same repository names each file the same.
void AssignFileBases(std::vector<TInterfaceFile> &faces);

// Every interface of the repository in name order (then key), with its
// base name. EDatabaseError when the query fails.
std::vector<TInterfaceFile> ReadAll(TDM &dm);

// The WSDL document and the script of one interface under its base name. A
// failing generation is reported and the other goes on; with announce each
// file written is reported as "Interface <name> (<CSV name>): <path>".
TGeneratedInterface Generate(TDM &dm, const TInterfaceFile &face, const QString &outputDir, IReporter *reporter,
                             bool announce = true);

} // namespace InterfaceFiles
