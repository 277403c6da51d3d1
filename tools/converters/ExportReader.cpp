#include "ExportModel.h"

#include "SharedRoutinesCommon.h"

#include <optional>

namespace Converters {

QString programName(Mode mode)
{
    return mode == Mode::Procedural ? QStringLiteral("WSDLProc") : QStringLiteral("WSDLObjt");
}

EExportError::EExportError(int line, const QString &message)
    : EQuenbarError(line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(message) : message), m_line(line)
{
}

bool isProceduralLanguage(const QString &language)
{
    for (const char *name : {"COBOL", "PLI", "ASM"}) {
        if (SameText(language, QLatin1String(name)))
            return true;
    }
    return false;
}

QStringList splitRecord(const QString &line, int lineNo)
{
    QStringList fields;
    const qsizetype n = line.size();
    qsizetype i = 0;
    for (;;) {
        while (i < n && line.at(i) == u' ')
            ++i;
        QString field;
        if (i < n && line.at(i) == u'"') {
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar c = line.at(i++);
                if (c != u'"') {
                    field.append(c);
                } else if (i < n && line.at(i) == u'"') {
                    field.append(c);
                    ++i;
                } else {
                    closed = true;
                    break;
                }
            }
            if (!closed)
                throw EExportError(lineNo, QStringLiteral("a quoted field is not closed"));
            while (i < n && line.at(i) == u' ')
                ++i;
            if (i < n && line.at(i) != u';')
                throw EExportError(lineNo, QStringLiteral("text after the closing quote of a field"));
        } else {
            const qsizetype end = line.indexOf(u';', i);
            field = line.mid(i, (end < 0 ? n : end) - i).trimmed();
            i = end < 0 ? n : end;
        }
        fields.append(field);
        if (i >= n)
            break;
        ++i;  // the ';'
    }
    return fields;
}

namespace {

enum Column { ColRecord, ColName, ColLevel, ColDirection, ColDataType, ColLength, ColDecimals, ColOccurs, ColDeclaration, ColumnCount };

QString field(const QStringList &fields, int column)
{
    return column < fields.size() ? fields.at(column) : QString();
}

int wholeNumber(const QString &text, int lineNo, const char *column, int minimum, int maximum)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < minimum || value > maximum)
        throw EExportError(lineNo, QStringLiteral("%1 \"%2\" is not a whole number from %3 to %4")
                                       .arg(QLatin1String(column), text).arg(minimum).arg(maximum));
    return value;
}

Direction parseDirection(const QString &text, int lineNo)
{
    if (text.isEmpty())
        return Direction::None;
    static const struct { const char *name; Direction direction; } table[] = {
        {"IN", Direction::In}, {"OUT", Direction::Out}, {"INOUT", Direction::InOut}, {"RETURN", Direction::Return}};
    for (const auto &row : table) {
        if (SameText(text, QLatin1String(row.name)))
            return row.direction;
    }
    throw EExportError(lineNo, QStringLiteral("DIRECTION \"%1\" is none of IN, OUT, INOUT, RETURN").arg(text));
}

// In object-oriented exports only the upper-case keyword marks a group, so a
// class called Group stays a class.
ExportItem parseItem(const QStringList &fields, int lineNo, Mode mode)
{
    ExportItem item;
    item.line = lineNo;
    item.name = field(fields, ColName);
    item.level = wholeNumber(field(fields, ColLevel), lineNo, "LEVEL", 1, 99);
    item.direction = parseDirection(field(fields, ColDirection), lineNo);
    item.dataType = field(fields, ColDataType);
    if (item.dataType.isEmpty())
        throw EExportError(lineNo, QStringLiteral("\"%1\" has no DATATYPE").arg(item.name));
    item.group = mode == Mode::Procedural ? SameText(item.dataType, QStringLiteral("GROUP"))
                                          : item.dataType == QLatin1String("GROUP");
    const QString length = field(fields, ColLength);
    if (!length.isEmpty())
        item.length = wholeNumber(length, lineNo, "LENGTH", 0, 999999999);
    const QString decimals = field(fields, ColDecimals);
    if (!decimals.isEmpty())
        item.decimals = wholeNumber(decimals, lineNo, "DECIMALS", 0, 999);
    const QString occurs = field(fields, ColOccurs);
    if (occurs == QLatin1String("*"))
        item.occurs = -1;
    else if (!occurs.isEmpty())
        item.occurs = wholeNumber(occurs, lineNo, "OCCURS", 1, 999999999);
    item.declaration = field(fields, ColDeclaration);
    return item;
}

// Builds one levelled item list (the parameters of an operation or the
// fields of a type). The chain holds the open items from the outermost one
// down to the last item added; only the last element of any members vector is
// ever on it, so appending never invalidates a pointer that is still held.
class ItemTree
{
public:
    explicit ItemTree(std::vector<ExportItem> &roots) : m_roots(roots) {}

    // A parameter (or a field of a type) at the outermost level.
    void addRoot(ExportItem &&item, bool checkSiblingLevel)
    {
        if (checkSiblingLevel && !m_roots.empty() && m_roots.back().level != item.level)
            throw EExportError(item.line, QStringLiteral("level %1 of \"%2\" differs from level %3 of \"%4\" before it")
                                              .arg(item.level).arg(item.name).arg(m_roots.back().level).arg(m_roots.back().name));
        m_roots.push_back(std::move(item));
        m_chain.assign(1, &m_roots.back());
    }

    // A member: goes under the nearest open item with a lower level. False
    // when there is none, so the caller decides what the item is.
    bool addMember(ExportItem &&item)
    {
        while (!m_chain.empty() && m_chain.back()->level >= item.level)
            m_chain.pop_back();
        if (m_chain.empty())
            return false;
        ExportItem *parent = m_chain.back();
        if (!parent->group)
            throw EExportError(item.line, QStringLiteral("\"%1\" (level %2) follows \"%3\" (level %4), which is not a GROUP")
                                              .arg(item.name).arg(item.level).arg(parent->name).arg(parent->level));
        if (!parent->members.empty() && parent->members.back().level != item.level)
            throw EExportError(item.line, QStringLiteral("level %1 of \"%2\" differs from level %3 of \"%4\" before it")
                                              .arg(item.level).arg(item.name).arg(parent->members.back().level)
                                              .arg(parent->members.back().name));
        parent->members.push_back(std::move(item));
        m_chain.push_back(&parent->members.back());
        return true;
    }

    void reset() { m_chain.clear(); }

private:
    std::vector<ExportItem> &m_roots;
    std::vector<ExportItem *> m_chain;
};

void checkGroups(const std::vector<ExportItem> &items)
{
    for (const ExportItem &item : items) {
        if (item.group && item.members.empty())
            throw EExportError(item.line, QStringLiteral("GROUP \"%1\" has no members").arg(item.name));
        checkGroups(item.members);
    }
}

void readIdentification(const QString &line, Mode mode, ExportModule &module)
{
    const QStringList items = splitRecord(line, 2);
    if (items.size() < 5)
        throw EExportError(2, QStringLiteral("the export identification needs at least 5 items (EXPORT;version;system;LANG;language)"));
    for (int i = 0; i < 5; ++i) {
        const QString &item = items.at(i);
        if (item.isEmpty() || item.contains(u' ') || item.contains(u',') || item.contains(u'"'))
            throw EExportError(2, QStringLiteral("item %1 of the export identification must be non-empty and hold no blank, comma or quote").arg(i));
    }
    if (!SameText(items.at(0), QStringLiteral("EXPORT")))
        throw EExportError(2, QStringLiteral("the export identification does not start with EXPORT"));
    if (!SameText(items.at(3), QStringLiteral("LANG")))
        throw EExportError(2, QStringLiteral("item 3 of the export identification is not LANG"));
    module.formatVersion = items.at(1);
    if (TextBefore(module.formatVersion, QStringLiteral(".")) != QLatin1String("1"))
        throw EExportError(2, QStringLiteral("format version %1 is not supported (1.x is)").arg(module.formatVersion));
    module.systemName = items.at(2);
    module.language = items.at(4);
    if (isProceduralLanguage(module.language) != (mode == Mode::Procedural))
        throw EExportError(2, mode == Mode::Procedural
                                  ? QStringLiteral("%1 is not a procedural language; WSDLObjt converts it").arg(module.language)
                                  : QStringLiteral("%1 is a procedural language; WSDLProc converts it").arg(module.language));
    for (qsizetype i = 5; i + 1 < items.size(); i += 2) {
        if (SameText(items.at(i), QStringLiteral("SOURCE")))
            module.source = items.at(i + 1);
    }
}

} // namespace

ExportModule readExport(const QStringList &lines, Mode mode, const Checkpoint &checkpoint)
{
    ExportModule module;
    if (lines.size() < 2)
        throw EExportError(0, QStringLiteral("not an interface export: fewer than two lines"));
    if (!SameText(splitRecord(lines.at(0), 1).value(0), QStringLiteral("RECORD")))
        throw EExportError(1, QStringLiteral("not an interface export: the header does not start with RECORD"));
    readIdentification(lines.at(1), mode, module);

    const QString moduleKind = mode == Mode::Procedural ? QStringLiteral("PROGRAM") : QStringLiteral("CLASS");
    const QString operationKind = mode == Mode::Procedural ? QStringLiteral("ENTRY") : QStringLiteral("METHOD");
    const QString otherModuleKind = mode == Mode::Procedural ? QStringLiteral("CLASS") : QStringLiteral("PROGRAM");
    const QString otherOperationKind = mode == Mode::Procedural ? QStringLiteral("METHOD") : QStringLiteral("ENTRY");

    enum class Context { None, Operation, Type } context = Context::None;
    std::vector<ExportItem> *roots = nullptr;
    std::optional<ItemTree> tree;
    bool hasReturn = false;

    for (int index = 2; index < lines.size(); ++index) {
        const int lineNo = index + 1;
        if (checkpoint)
            checkpoint();
        const QString &line = lines.at(index);
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(u'#'))
            continue;
        const QStringList fields = splitRecord(line, lineNo);
        const QString kind = fields.value(ColRecord);
        const QString name = field(fields, ColName);
        if (name.isEmpty())
            throw EExportError(lineNo, QStringLiteral("%1 record without a NAME").arg(kind));
        ++module.records;

        if (SameText(kind, moduleKind)) {
            if (!module.name.isEmpty())
                throw EExportError(lineNo, QStringLiteral("a second %1 record; an export describes one %2").arg(moduleKind, LowerCase(moduleKind)));
            if (module.records != 1)
                throw EExportError(lineNo, QStringLiteral("the %1 record must be the first record").arg(moduleKind));
            module.name = name;
            module.line = lineNo;
            continue;
        }
        if (module.name.isEmpty())
            throw EExportError(lineNo, QStringLiteral("the first record must be a %1 record").arg(moduleKind));

        if (SameText(kind, operationKind)) {
            module.operations.push_back(ExportOperation{name, lineNo, {}});
            roots = &module.operations.back().params;
            tree.emplace(*roots);
            context = Context::Operation;
            hasReturn = false;
        } else if (SameText(kind, QStringLiteral("TYPE"))) {
            for (const ExportType &type : module.types) {
                if (mode == Mode::Procedural ? SameText(type.name, name) : type.name == name)
                    throw EExportError(lineNo, QStringLiteral("TYPE \"%1\" is defined twice (line %2)").arg(name).arg(type.line));
            }
            module.types.push_back(ExportType{name, lineNo, {}});
            roots = &module.types.back().fields;
            tree.emplace(*roots);
            context = Context::Type;
        } else if (SameText(kind, QStringLiteral("PARAM"))) {
            if (context != Context::Operation)
                throw EExportError(lineNo, QStringLiteral("PARAM record outside an %1 (it must follow the %1 or another PARAM)").arg(operationKind));
            ExportItem item = parseItem(fields, lineNo, mode);
            if (item.direction != Direction::None) {
                if (item.direction == Direction::Return) {
                    if (hasReturn)
                        throw EExportError(lineNo, QStringLiteral("a second RETURN parameter in %1").arg(module.operations.back().name));
                    hasReturn = true;
                }
                tree->addRoot(std::move(item), false);
            } else {
                const QString itemName = item.name;
                if (!tree->addMember(std::move(item)))
                    throw EExportError(lineNo, QStringLiteral("PARAM \"%1\" has no DIRECTION and is no member of a parameter group").arg(itemName));
            }
        } else if (SameText(kind, QStringLiteral("FIELD"))) {
            if (context != Context::Type)
                throw EExportError(lineNo, QStringLiteral("FIELD record outside a TYPE (it must follow the TYPE or another FIELD)"));
            ExportItem item = parseItem(fields, lineNo, mode);
            if (item.direction != Direction::None)
                throw EExportError(lineNo, QStringLiteral("FIELD \"%1\" has a DIRECTION").arg(item.name));
            if (roots->empty() || item.level <= roots->front().level) {
                if (!roots->empty() && item.level < roots->front().level)
                    throw EExportError(lineNo, QStringLiteral("level %1 of \"%2\" is below level %3 of the first field of the type")
                                                   .arg(item.level).arg(item.name).arg(roots->front().level));
                tree->addRoot(std::move(item), true);
            } else if (!tree->addMember(std::move(item))) {
                throw EExportError(lineNo, QStringLiteral("FIELD is no member of the type"));
            }
        } else if (SameText(kind, otherModuleKind) || SameText(kind, otherOperationKind)) {
            throw EExportError(lineNo, QStringLiteral("%1 records belong in %2 exports; %3 converts those")
                                           .arg(UpperCase(kind),
                                                mode == Mode::Procedural ? QStringLiteral("object-oriented") : QStringLiteral("procedural"),
                                                programName(mode == Mode::Procedural ? Mode::ObjectOriented : Mode::Procedural)));
        } else {
            throw EExportError(lineNo, QStringLiteral("unknown record kind \"%1\"").arg(kind));
        }
    }

    if (module.name.isEmpty())
        throw EExportError(0, QStringLiteral("the export has no %1 record").arg(moduleKind));
    if (module.operations.empty())
        throw EExportError(0, QStringLiteral("the export has no %1 record").arg(operationKind));
    for (const ExportOperation &operation : module.operations)
        checkGroups(operation.params);
    for (const ExportType &type : module.types)
        checkGroups(type.fields);
    return module;
}

} // namespace Converters
