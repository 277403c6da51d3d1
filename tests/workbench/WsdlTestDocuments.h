#pragma once
// WSDL documents for the import tests, written to files, and the rows the
// repository holds afterwards.

#include "QuenbarDB.h"
#include "TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

inline const QString kSchemaNamespaces = QStringLiteral(
    "xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\" xmlns:tns=\"urn:shop\"");

// A document with prefixed names throughout; types is left out when null.
inline QString wsdl(const QString &types, const QString &messages, const QString &operations)
{
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n"
                                  "<wsdl:definitions name=\"ShopDefs\" ")
                   + kSchemaNamespaces + QStringLiteral(">\n");
    if (!types.isNull())
        text += QStringLiteral("  <wsdl:types>\n    <xsd:schema targetNamespace=\"urn:shop\">\n") + types
                + QStringLiteral("\n    </xsd:schema>\n  </wsdl:types>\n");
    text += messages + QStringLiteral("\n  <wsdl:portType name=\"ShopPort\">\n") + operations
            + QStringLiteral("\n  </wsdl:portType>\n</wsdl:definitions>\n");
    return text;
}

// One operation "Op" whose input message "In" has these parts.
inline QString oneMessage(const QString &types, const QString &parts)
{
    return wsdl(types, QStringLiteral("  <wsdl:message name=\"In\">") + parts + QStringLiteral("</wsdl:message>"),
                QStringLiteral("<wsdl:operation name=\"Op\"><wsdl:input message=\"tns:In\"/></wsdl:operation>"));
}

inline QString writeFile(const QString &path, const QString &text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    TextFile::writeText(path, text);
    return path;
}

// The rows the statement reads, values joined by blanks, "-" for null.
inline QStringList query(const TDM &dm, const QString &sql)
{
    QStringList rows;
    QSqlQuery q = dm.QWork();
    if (!q.exec(sql))
        return {QStringLiteral("<failed: %1>").arg(q.lastError().text())};
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < q.record().count(); ++i)
            values << (q.isNull(i) ? QStringLiteral("-") : q.value(i).toString());
        rows << values.join(u' ');
    }
    return rows;
}

// Every row of every table: equal snapshots mean an unchanged repository.
inline QStringList snapshot(const TDM &dm)
{
    QStringList all;
    for (const char *table : {"Interfaces", "Operations", "InputsOutputs", "Parameters", "XDuplis"})
        all << query(dm, QStringLiteral("select * from %1 order by Kulcs").arg(QLatin1String(table)));
    return all;
}

inline const QString kCustomerTypes = QStringLiteral(
    "<xsd:complexType name=\"Customer\"><xsd:sequence>"
    "<xsd:element name=\"CUSTNO\" type=\"xsd:int\"/><xsd:element name=\"NAME\" type=\"xsd:string\"/>"
    "</xsd:sequence></xsd:complexType>");

// Two operations with a simple part each and a complex one: the document an
// earlier import leaves, which failed imports must not disturb.
inline QString goodShop()
{
    return wsdl(kCustomerTypes,
                QStringLiteral("<wsdl:message name=\"GetIn\"><wsdl:part name=\"CUSTNO\" type=\"xsd:int\"/></wsdl:message>"
                               "<wsdl:message name=\"GetOut\"><wsdl:part name=\"CUST\" type=\"tns:Customer\"/></wsdl:message>"),
                QStringLiteral("<wsdl:operation name=\"Get\"><wsdl:input message=\"tns:GetIn\"/>"
                               "<wsdl:output message=\"tns:GetOut\"/></wsdl:operation>"
                               "<wsdl:operation name=\"Put\"><wsdl:input message=\"tns:GetOut\"/>"
                               "<wsdl:output message=\"tns:GetIn\"/></wsdl:operation>"));
}

// oneMessage with a second operation "Op2" on the same input.
inline QString twoOperationShop()
{
    return oneMessage(QString(), QStringLiteral("<wsdl:part name=\"X\" type=\"xsd:int\"/>"))
        .replace(QStringLiteral("</wsdl:portType>"),
                 QStringLiteral("<wsdl:operation name=\"Op2\"><wsdl:input message=\"tns:In\"/>"
                                "</wsdl:operation></wsdl:portType>"));
}
