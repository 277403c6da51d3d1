#pragma once
// Turns one parsed export into a WSDL 1.1 document: a port type with one
// operation per entry point or method, request and response messages whose
// parts are the parameters, and schema complex types for groups, record
// types, classes and arrays (soapenc:Array restrictions).

#include "ExportModel.h"

namespace Converters {

struct WsdlOptions
{
    QString productName;
    QString systemName;
};

struct WsdlDocument
{
    QStringList lines;     // written with CR LF
    int operations = 0;
    int messages = 0;
    int complexTypes = 0;  // sequences (groups, record types, classes)
    int arrays = 0;        // soapenc:Array restrictions
    QStringList warnings;  // shown on the console, the document is still written
};

// Raises EExportError for an item whose type cannot be mapped.
WsdlDocument writeWsdl(const ExportModule &module, Mode mode, const WsdlOptions &options,
                       const Checkpoint &checkpoint = {});

// An XML name (NCName) made from a source name: characters that cannot stand
// in one become "_", and a "_" goes before a leading digit, "-" or ".".
QString xmlName(const QString &text);

// The schema type (without prefix) of a built-in data type; empty when the
// mode knows no such type. Procedural types also look at length and decimals.
QString builtinSchemaType(Mode mode, const QString &dataType, int length = -1, int decimals = -1);

} // namespace Converters
