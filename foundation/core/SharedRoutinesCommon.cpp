#include "SharedRoutinesCommon.h"

#include "CodePage1250.h"
#include "QuenbarVersion.h"
#include "Reporting.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cstdlib>

// ---- Per-user settings ---------------------------------------------------

namespace {

QString g_settingsProgram;
QString g_settingsSection;
TSettingsReader g_reader;
TSettingsWriter g_writer;

QString readVia(const QString &name)
{
    return g_reader ? g_reader(name) : RegistrySettingsReader(name);
}

void writeVia(const QString &name, const QString &text)
{
    if (g_writer)
        g_writer(name, text);
    else
        RegistrySettingsWriter(name, text);
}

// Key "Velmora/<program>/<section>": the organisation and application name
// pick the per-user file, the section is the group inside it.
class SettingsKey
{
public:
    SettingsKey()
        : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmora"), g_settingsProgram)
    {
        m_settings.beginGroup(g_settingsSection.isEmpty() ? QStringLiteral("General") : g_settingsSection);
    }
    QSettings &operator*() { return m_settings; }
    QSettings *operator->() { return &m_settings; }

private:
    QSettings m_settings;
};

} // namespace

void SetSettingsProgram(const QString &name) { g_settingsProgram = name; }

void SetSettingsSection(const QString &name)
{
    g_settingsSection = name;
    if (g_settingsProgram.isEmpty())
        g_settingsProgram = name;
}

QString SettingsProgram() { return g_settingsProgram; }
QString SettingsSection() { return g_settingsSection; }

void SetSettingsProcedures(TSettingsReader reader, TSettingsWriter writer)
{
    g_reader = std::move(reader);
    g_writer = std::move(writer);
}

QString RegistrySettingsReader(const QString &name)
{
    SettingsKey key;
    const QString value = key->value(name).toString();
    if (value.isEmpty()) {
        // Every setting read once exists afterwards.
        key->remove(name);
        key->setValue(name, QString());
    }
    return value;
}

void RegistrySettingsWriter(const QString &name, const QString &text)
{
    SettingsKey key;
    key->setValue(name, text);
}

void WriteSetting(const QString &name, const QString &text) { writeVia(name, text); }
void WriteSettingBool(const QString &name, bool flag) { writeVia(name, flag ? QStringLiteral("1") : QStringLiteral("0")); }
void WriteSettingInt(const QString &name, int value) { writeVia(name, QString::number(value)); }

QString ReadSetting(const QString &name, const QString &defaultText)
{
    const QString stored = readVia(name);
    if (!stored.isEmpty())
        return stored;
    WriteSetting(name, defaultText);
    return defaultText;
}

bool ReadSettingBool(const QString &name, bool defaultFlag)
{
    const QString stored = readVia(name);
    if (!stored.isEmpty())
        return stored == QLatin1String("1");
    WriteSettingBool(name, defaultFlag);
    return defaultFlag;
}

int ReadSettingInt(const QString &name, int defaultValue)
{
    const QString stored = readVia(name);
    if (!stored.isEmpty()) {
        int value = 0;
        return TryTextToInt(stored, value) ? value : defaultValue;
    }
    WriteSettingInt(name, defaultValue);
    return defaultValue;
}

// ---- Text helpers ----------------------------------------------------------

bool StartsWith(const QString &prefix, const QString &text)
{
    return text.size() >= prefix.size() && QStringView(text).left(prefix.size()) == prefix;
}

bool StartsWithText(const QString &prefix, const QString &text)
{
    return text.size() >= prefix.size() && CodePage1250::sameText(QStringView(text).left(prefix.size()), prefix);
}

QString TextAfter(const QString &text, const QString &separator)
{
    if (separator.isEmpty())
        return QString();
    const qsizetype p = text.indexOf(separator);
    return p < 0 ? QString() : text.mid(p + separator.size());
}

QString TextAfterLast(const QString &text, const QString &separator)
{
    if (separator.isEmpty())
        return QString();
    const qsizetype p = text.lastIndexOf(separator);
    return p < 0 ? QString() : text.mid(p + separator.size());
}

QString TextBefore(const QString &text, const QString &separator)
{
    if (separator.isEmpty())
        return text;
    const qsizetype p = text.indexOf(separator);
    return p < 0 ? text : text.left(p);
}

QString TextBeforeLast(const QString &text, const QString &separator)
{
    if (separator.isEmpty())
        return text;
    const qsizetype p = text.lastIndexOf(separator);
    return p < 0 ? text : text.left(p);
}

QString CapitalizeFirst(const QString &text)
{
    if (text.isEmpty())
        return text;
    QString out = CodePage1250::toLower(text);
    out[0] = CodePage1250::toUpper(out[0]);
    return out;
}

QString CapitalizeWords(const QString &text)
{
    static const QString separators = QStringLiteral(" ,-._");
    QString out = text;
    bool startOfWord = true;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out[i];
        if (separators.contains(c)) {
            startOfWord = true;
            continue;
        }
        out[i] = startOfWord ? CodePage1250::toUpper(c) : CodePage1250::toLower(c);
        startOfWord = false;
    }
    return out;
}

QString CollapseRepeats(const QString &text, QChar c)
{
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size() && text[i] == c)
        ++i;
    for (; i < text.size(); ++i) {
        if (text[i] == c && !out.isEmpty() && out.back() == c)
            continue;
        out.append(text[i]);
    }
    return out;
}

QString CollapseWhitespace(const QString &text)
{
    QString out;
    out.reserve(text.size());
    bool pendingBlank = false;
    for (const QChar c : text) {
        if (c.unicode() <= 32) {
            pendingBlank = !out.isEmpty();
            continue;
        }
        if (pendingBlank)
            out.append(QLatin1Char(' '));
        pendingBlank = false;
        out.append(c);
    }
    if (pendingBlank)
        out.append(QLatin1Char(' '));
    return out;
}

QString SpreadLetters(const QString &text)
{
    QString out;
    out.reserve(text.size() * 3);
    for (const QChar c : text) {
        out.append(c);
        out.append(QLatin1String("  "));
    }
    return out;
}

QString RemoveAccents(const QString &text)
{
    static const QString from = QString::fromUtf8("áéíóöőúüűÁÉÍÓÖŐÚÜŰ");
    static const QString to = QStringLiteral("aeiooouuuAEIOOOUUU");
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const qsizetype p = from.indexOf(out[i]);
        if (p >= 0)
            out[i] = to[p];
    }
    return out;
}

QByteArray Utf8ToSingleByte(const QByteArray &bytes)
{
    bool high = false;
    for (const char b : bytes)
        if (static_cast<unsigned char>(b) >= 128) {
            high = true;
            break;
        }
    if (!high)
        return bytes;

    QByteArray out;
    out.reserve(bytes.size());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        int length = 0;
        char32_t cp = 0;
        if (b < 0x80) {
            length = 1;
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            length = 2;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3;
            cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4;
            cp = b & 0x07;
        }
        bool valid = length > 0 && i + length <= n;
        for (int k = 1; valid && k < length; ++k) {
            const unsigned char cb = static_cast<unsigned char>(bytes[i + k]);
            if ((cb & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (cb & 0x3F);
        }
        if (!valid) {
            out.append(char(b));   // not the start of a valid sequence: copied unchanged
            ++i;
            continue;
        }
        if (cp < 256)
            out.append(char(cp));
        else if (cp < 65536)
            out.append(char(0xF5));
        else
            out.append(char(0));
        i += length;
    }
    return out;
}

QString Utf8ToSingleByte(const QString &text)
{
    return CodePage1250::decode(Utf8ToSingleByte(CodePage1250::encode(text)));
}

bool MatchesMask(const QString &name, const QString &mask, bool allowLonger)
{
    if (name.size() < mask.size())
        return false;
    if (!allowLonger && name.size() != mask.size())
        return false;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar m = mask[i];
        const QChar c = name[i];
        if (m == u'?')
            continue;
        if (m == u'#') {
            if (c < u'0' || c > u'9')
                return false;
            continue;
        }
        if (CodePage1250::toUpper(m) != CodePage1250::toUpper(c))
            return false;
    }
    return true;
}

int CompareText(const QString &a, const QString &b) { return CodePage1250::compareText(a, b); }
bool SameText(const QString &a, const QString &b) { return CodePage1250::sameText(a, b); }
QString UpperCase(const QString &text) { return CodePage1250::toUpper(text); }
QString LowerCase(const QString &text) { return CodePage1250::toLower(text); }

QString TrimControls(const QString &text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text[b].unicode() <= 32)
        ++b;
    while (e > b && text[e - 1].unicode() <= 32)
        --e;
    return text.mid(b, e - b);
}

QStringList SplitCommaText(const QString &text, TCommaBlanks blanks)
{
    const bool separate = blanks == TCommaBlanks::Separate;
    const auto isBlank = [separate](QChar c) { return separate ? c.unicode() <= 32 : c.isSpace(); };
    const qsizetype n = text.size();
    qsizetype p = 0;
    const auto skipBlanks = [&] {
        while (p < n && isBlank(text[p]))
            ++p;
    };
    QStringList items;
    skipBlanks();
    if (p == n)
        return items;
    for (;;) {
        QString item;
        if (p < n && text[p] == u'"') {
            ++p;
            while (p < n) {
                if (text[p] == u'"') {
                    if (p + 1 < n && text[p + 1] == u'"') {
                        item += u'"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
            if (!separate) {
                while (p < n && text[p] != u',')
                    ++p;
            }
        } else {
            const qsizetype start = p;
            while (p < n && text[p] != u',' && !(separate && isBlank(text[p])))
                ++p;
            item = text.mid(start, p - start);
            if (!separate)
                item = item.trimmed();
        }
        items.append(item);
        if (separate) {
            // Between stored items: blanks, at most one comma, blanks.
            skipBlanks();
            if (p < n && text[p] == u',') {
                if (p + 1 == n) {
                    items.append(QString());
                    break;
                }
                ++p;
                skipBlanks();
            }
        } else if (p < n) {
            ++p;   // the comma: an item follows, if only an empty one
            skipBlanks();
            continue;
        }
        if (p == n)
            break;
    }
    return items;
}

// ---- Command-line parsing --------------------------------------------------

namespace {

QStringList programArguments()
{
    QStringList args = QCoreApplication::arguments();
    if (!args.isEmpty())
        args.removeFirst();
    return args;
}

// The long and short names of an option, lower-cased, each with a leading "-".
QStringList optionNames(const QString &option)
{
    QStringList parts = option.split(QLatin1Char(':'));
    QStringList names;
    for (int i = 0; i < parts.size() && i < 2; ++i) {
        QString n = LowerCase(parts[i]);
        if (n.isEmpty())
            continue;
        if (!n.startsWith(QLatin1Char('-')))
            n.prepend(QLatin1Char('-'));
        names.append(n);
    }
    return names;
}

} // namespace

bool CommandLineSwitch(const QStringList &args, const QString &option, bool defaultFlag)
{
    if (option.isEmpty())
        return false;
    const QStringList names = optionNames(option);
    for (const QString &arg : args) {
        const QString head = LowerCase(TextBefore(arg, QStringLiteral("=")));
        for (const QString &n : names) {
            if (head == n || head == n + QLatin1Char('+'))
                return true;
            if (head == n + QLatin1Char('-'))
                return false;
        }
    }
    return defaultFlag;
}

bool CommandLineSwitch(const QString &option, bool defaultFlag)
{
    return CommandLineSwitch(programArguments(), option, defaultFlag);
}

bool CommandLineValue(const QStringList &args, const QString &option, QString &value)
{
    value.clear();
    if (option.isEmpty())
        return false;
    const QStringList parts = option.split(QLatin1Char(':'));
    if (parts.size() > 2 && SameText(parts.last(), QStringLiteral("default")) && args.size() == 1
        && !args.first().contains(QLatin1Char('='))) {
        value = args.first();
        return true;
    }
    const QStringList names = optionNames(option);
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        const QString whole = LowerCase(arg);
        if (names.contains(whole)) {
            if (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1Char('-'))) {
                value = args[i + 1];
                return true;
            }
            continue;
        }
        // "-name=value", and on this platform also "-name:value".
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        const qsizetype colon = arg.indexOf(QLatin1Char(':'));
        qsizetype sep = eq;
        if (colon >= 0 && (eq < 0 || colon < eq))
            sep = colon;
        if (sep >= 0 && names.contains(LowerCase(arg.left(sep)))) {
            value = arg.mid(sep + 1);
            return true;
        }
    }
    return false;
}

bool CommandLineValue(const QString &option, QString &value)
{
    return CommandLineValue(programArguments(), option, value);
}

// ---- Value conversion ------------------------------------------------------

QString BoolToYN(bool flag) { return flag ? QStringLiteral("Y") : QStringLiteral("N"); }

bool TextToBool(const QString &text)
{
    const QString t = LowerCase(text);
    if (t == QLatin1String("false") || t.isEmpty() || t == QLatin1String("n"))
        return false;
    if (t == QLatin1String("true") || t == QLatin1String("y") || t == QLatin1String("j") || t == QLatin1String("i"))
        return true;
    throw EConvertError(QStringLiteral("%1 is not valid boolean value (Y,J,I,N,True,False)").arg(text));
}

bool TextToBool(const QString &text, bool defaultFlag)
{
    return text.isEmpty() ? defaultFlag : TextToBool(text);
}

bool IsIntegerText(const QString &text)
{
    const QString t = TrimControls(text);
    if (t.isEmpty())
        return false;
    qsizetype start = 0;
    if ((t[0] == u'+' || t[0] == u'-') && t.size() > 1)
        start = 1;
    for (qsizetype i = start; i < t.size(); ++i)
        if (t[i] < u'0' || t[i] > u'9')
            return false;
    return true;
}

bool TryTextToInt(const QString &text, int &value)
{
    value = 0;
    if (!IsIntegerText(text))
        return false;
    bool ok = false;
    const int v = TrimControls(text).toInt(&ok);
    if (!ok)
        return false;   // out of range for an integer
    value = v;
    return true;
}

// ---- File and folder helpers -----------------------------------------------

QString TempFilePath(const QString &fileName)
{
    return QFileInfo(WithTrailingChar(QDir::tempPath(), QLatin1Char('/')) + fileName).absoluteFilePath();
}

QString UniqueTempFileName(const QString &extension)
{
    const QString ext = extension.isEmpty() || extension.startsWith(QLatin1Char('.')) ? extension
                                                                                       : QLatin1Char('.') + extension;
    for (int attempt = 0; attempt < 10000; ++attempt) {
        QTemporaryFile placeholder(WithTrailingChar(QDir::tempPath(), QLatin1Char('/')) + QStringLiteral("~XXXXXX.tmp"));
        if (!placeholder.open())
            throw EFileError(QStringLiteral("Can not create temporary file: %1").arg(placeholder.errorString()));
        const QFileInfo fi(placeholder.fileName());
        const QString candidate = fi.absolutePath() + QLatin1Char('/') + fi.completeBaseName() + ext;
        // The placeholder is removed when it goes out of scope; only the
        // name with the wanted extension is handed out.
        if (candidate == fi.absoluteFilePath()) {
            placeholder.setAutoRemove(false);
            return candidate;
        }
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
    throw EFileError(QStringLiteral("Can not create temporary file"));
}

namespace {

struct TMaskParts
{
    QString mask;
    bool none = true;
    bool leadingStar = false;
    bool trailingStar = false;
};

bool passesExtension(const QString &fileName, const QString &extList)
{
    if (extList.contains(QLatin1String("*.*;")))
        return true;
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)   // no extension (a leading dot names a hidden file, not an extension)
        return extList.contains(QLatin1String(".;"));
    const QString ext = fileName.mid(dot) + QLatin1Char(';');
    return UpperCase(extList).contains(UpperCase(ext));
}

bool passesMask(const QString &fileName, const TMaskParts &m)
{
    if (m.none)
        return true;
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString base = dot <= 0 ? fileName : fileName.left(dot);
    if (SameText(m.mask, fileName) || SameText(m.mask, base))
        return true;
    const QString ub = UpperCase(base);
    const QString um = UpperCase(m.mask);
    if (m.trailingStar && ub.startsWith(um))
        return true;
    if (m.leadingStar && ub.endsWith(um))
        return true;
    if (m.leadingStar && m.trailingStar && ub.contains(um))
        return true;
    return MatchesMask(base, m.mask, m.trailingStar);
}

void findIn(const QString &folder, const QString &mask, const TMaskParts &m, int depth, QStringList &list,
            const QString &extList)
{
    if (depth == 0)
        return;
    const QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                                                    QDir::Unsorted);
    const QString prefix = WithTrailingChar(folder, QLatin1Char('/'));
    for (const QFileInfo &fi : entries) {
        const QString name = fi.fileName();
        if (fi.isDir()) {
            // Linked folders are not followed: a link loop must not hang the search.
            if (!name.startsWith(QLatin1Char('.')) && !fi.isSymLink())
                findIn(prefix + name, mask, m, depth < 0 ? -1 : depth - 1, list, extList);
            continue;
        }
        if (passesExtension(name, extList) && passesMask(name, m))
            list.append(prefix + name);
    }
}

} // namespace

void FindFiles(const QString &root, const QString &subfolder, const QString &mask, int depth, QStringList &list,
               const QString &extensions)
{
    if (depth == 0)
        return;
    const QString extList = extensions + QLatin1Char(';');
    TMaskParts m;
    if (!mask.isEmpty() && mask != QLatin1String("*")) {
        m.none = false;
        m.mask = mask;
        if (m.mask.startsWith(QLatin1Char('*'))) {
            m.leadingStar = true;
            m.mask.remove(0, 1);
        }
        if (m.mask.endsWith(QLatin1Char('*'))) {
            m.trailingStar = true;
            m.mask.chop(1);
        }
    }
    QString folder = root;
    if (!subfolder.isEmpty())
        folder = WithTrailingChar(folder, QLatin1Char('/')) + subfolder;
    if (folder.isEmpty())
        folder = QStringLiteral(".");
    findIn(folder, mask, m, depth, list, extList);
}

void FindFilesByExtension(const QString &root, const QString &subfolder, const QString &extensions, QStringList &list)
{
    FindFiles(root, subfolder, QString(), -1, list, extensions);
}

void FindFilesByMask(const QString &root, const QString &subfolder, const QString &mask, QStringList &list,
                     const QString &extensions)
{
    FindFiles(root, subfolder, mask, -1, list, extensions);
}

void FindFilesToDepth(const QString &root, const QString &subfolder, const QString &extensions, int depth,
                      QStringList &list)
{
    FindFiles(root, subfolder, QString(), depth, list, extensions);
}

QString DocumentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString ExpandEnvironment(const QString &text)
{
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == u'%') {
            const qsizetype end = text.indexOf(QLatin1Char('%'), i + 1);
            if (end > i + 1) {
                const QString name = text.mid(i + 1, end - i - 1);
                const QByteArray key = name.toLocal8Bit();
                if (!name.contains(QLatin1Char('=')) && qEnvironmentVariableIsSet(key.constData())) {
                    out += qEnvironmentVariable(key.constData());
                    i = end + 1;
                    continue;
                }
                // Undefined: the reference stays; its closing "%" may open the next one.
                out += text.mid(i, end - i);
                i = end;
                continue;
            }
        }
        out += text[i];
        ++i;
    }
    return out;
}

QString ProgramVersionString(const QString &key)
{
    if (key == QLatin1String("FileVersion"))
        return QStringLiteral(QUENBAR_FILE_VERSION);
    if (key == QLatin1String("ProductVersion"))
        return QStringLiteral(QUENBAR_PRODUCT_VERSION);
    if (key == QLatin1String("CompanyName"))
        return QStringLiteral(QUENBAR_COMPANY_NAME);
    if (key == QLatin1String("ProductName"))
        return QStringLiteral(QUENBAR_PRODUCT_NAME);
    if (key == QLatin1String("LegalCopyright"))
        return QStringLiteral(QUENBAR_LEGAL_COPYRIGHT);
    if (key == QLatin1String("FileDescription"))
        return QStringLiteral(QUENBAR_FILE_DESCRIPTION);
    if (key == QLatin1String("InternalName") || key == QLatin1String("OriginalFilename"))
        return QStringLiteral(QUENBAR_PRODUCT_NAME);
    return QString();
}

// File-type registration: each file type keeps its pieces (extension, icon,
// verbs) in a small state file and regenerates its shared-mime-info package
// and one desktop entry per verb from it, so the routines can be called in
// any order, as often as wanted.
namespace {

QString dataHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString safeTypeName(const QString &fileType)
{
    QString s;
    for (const QChar c : fileType)
        s += (c.isLetterOrNumber() && c.unicode() < 128) || c == u'-' || c == u'_' ? c.toLower() : QChar(u'-');
    return s;
}

QString mimeTypeOf(const QString &fileType) { return QStringLiteral("application/x-velmora-") + safeTypeName(fileType); }

QString xmlEscaped(const QString &s) { return s.toHtmlEscaped(); }

bool writeFileAtomically(const QString &path, const QByteArray &content)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(content) != content.size())
        return false;
    return f.commit();
}

// Desktop-entry Exec lines quote arguments with double quotes; the command's
// "%1" (the file opened) becomes the field code %f.
QString desktopExec(const QString &command)
{
    QString exec = command;
    exec.replace(QLatin1String("\"%1\""), QLatin1String("%f"));
    exec.replace(QLatin1String("%1"), QLatin1String("%f"));
    return exec;
}

bool regenerateFileType(const QString &fileType)
{
    const QString home = dataHome();
    if (home.isEmpty() || fileType.isEmpty())
        return false;
    const QString id = safeTypeName(fileType);
    QSettings state(home + QStringLiteral("/velmora/filetypes/") + id + QStringLiteral(".ini"), QSettings::IniFormat);
    const QString mime = mimeTypeOf(fileType);

    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                                 "  <mime-type type=\"%1\">\n    <comment>%2</comment>\n")
                      .arg(mime, xmlEscaped(fileType));
    const QString icon = state.value(QStringLiteral("icon")).toString();
    if (!icon.isEmpty())
        xml += QStringLiteral("    <icon name=\"%1\"/>\n").arg(xmlEscaped(icon));
    for (const QString &ext : state.value(QStringLiteral("extensions")).toStringList())
        xml += QStringLiteral("    <glob pattern=\"*%1\"/>\n").arg(xmlEscaped(ext));
    xml += QStringLiteral("  </mime-type>\n</mime-info>\n");
    if (!writeFileAtomically(home + QStringLiteral("/mime/packages/velmora-") + id + QStringLiteral(".xml"), xml.toUtf8()))
        return false;

    const QStringList verbs = state.value(QStringLiteral("verbs")).toStringList();
    const QString defaultVerb = state.value(QStringLiteral("defaultVerb")).toString();
    for (const QString &verb : verbs) {
        state.beginGroup(QStringLiteral("verb-") + verb);
        const QString caption = state.value(QStringLiteral("caption")).toString();
        const QString command = state.value(QStringLiteral("command")).toString();
        state.endGroup();
        QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nMimeType=%3;\nNoDisplay=true\n")
                            .arg(caption.isEmpty() ? verb : caption, desktopExec(command), mime);
        if (!icon.isEmpty())
            entry += QStringLiteral("Icon=%1\n").arg(icon);
        if (!writeFileAtomically(home + QStringLiteral("/applications/velmora-%1-%2.desktop").arg(id, safeTypeName(verb)),
                                 entry.toUtf8()))
            return false;
    }
    if (!defaultVerb.isEmpty()) {
        // The verb registered last is the default handler of the type.
        QSettings apps(home + QStringLiteral("/applications/mimeapps.list"), QSettings::IniFormat);
        apps.setValue(QStringLiteral("Default Applications/") + mime,
                      QStringLiteral("velmora-%1-%2.desktop").arg(id, safeTypeName(defaultVerb)));
        apps.sync();
        if (apps.status() != QSettings::NoError)
            return false;
    }
    state.sync();
    if (state.status() != QSettings::NoError)
        return false;
    // Refresh the desktop's MIME cache when the tool is there; a missing tool is no failure.
    const QString updater = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!updater.isEmpty())
        QProcess::execute(updater, {home + QStringLiteral("/mime")});
    return true;
}

template <typename F>
bool withFileTypeState(const QString &fileType, F change)
{
    try {
        const QString home = dataHome();
        if (home.isEmpty() || fileType.isEmpty())
            return false;
        const QString dir = home + QStringLiteral("/velmora/filetypes");
        if (!QDir().mkpath(dir))
            return false;
        {
            QSettings state(dir + QLatin1Char('/') + safeTypeName(fileType) + QStringLiteral(".ini"), QSettings::IniFormat);
            change(state);
            state.sync();
            if (state.status() != QSettings::NoError)
                return false;
        }
        return regenerateFileType(fileType);
    } catch (...) {
        return false;
    }
}

} // namespace

bool RegisterFileExtension(const QString &extension, const QString &fileType)
{
    if (extension.isEmpty())
        return false;
    const QString ext = extension.startsWith(QLatin1Char('.')) ? extension : QLatin1Char('.') + extension;
    return withFileTypeState(fileType, [&](QSettings &s) {
        QStringList exts = s.value(QStringLiteral("extensions")).toStringList();
        if (!exts.contains(ext, Qt::CaseInsensitive))
            exts.append(ext);
        s.setValue(QStringLiteral("extensions"), exts);
    });
}

bool RegisterFileTypeIcon(const QString &fileType, const QString &icon)
{
    return withFileTypeState(fileType, [&](QSettings &s) { s.setValue(QStringLiteral("icon"), icon); });
}

bool RegisterFileTypeVerb(const QString &fileType, const QString &verb, const QString &caption, const QString &command)
{
    if (verb.isEmpty())
        return false;
    return withFileTypeState(fileType, [&](QSettings &s) {
        QStringList verbs = s.value(QStringLiteral("verbs")).toStringList();
        if (!verbs.contains(verb))
            verbs.append(verb);
        s.setValue(QStringLiteral("verbs"), verbs);
        s.setValue(QStringLiteral("defaultVerb"), verb);
        s.setValue(QStringLiteral("verb-") + verb + QStringLiteral("/caption"), caption);
        s.setValue(QStringLiteral("verb-") + verb + QStringLiteral("/command"), command);
    });
}

QString ResourceToTempFile(const QString &resourceName, const QString &resourceType)
{
    QString path = resourceName.startsWith(QLatin1Char(':')) ? resourceName
                                                              : QStringLiteral(":/%1/%2").arg(resourceType, resourceName);
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("Can not open resource %1: %2").arg(path, source.errorString()));
    QTemporaryFile target(WithTrailingChar(QDir::tempPath(), QLatin1Char('/')) + QStringLiteral("~XXXXXX.tmp"));
    if (!target.open())
        throw EFileError(QStringLiteral("Can not create temporary file: %1").arg(target.errorString()));
    const QByteArray data = source.readAll();
    if (target.write(data) != data.size())
        throw EFileError(QStringLiteral("Can not write file %1: %2").arg(target.fileName(), target.errorString()));
    target.setAutoRemove(false);
    return target.fileName();
}

// ---- Path and file utilities -----------------------------------------------

bool HasDriveLetter(const QString &path)
{
    return path.size() >= 2 && path[0].unicode() < 128 && path[0].isLetter() && path[1] == u':';
}

bool IsAbsolutePath(const QString &path)
{
    return !path.isEmpty() && (HasDriveLetter(path) || path[0] == u'/' || path[0] == u'\\');
}

QString WithTrailingChar(const QString &text, QChar c)
{
    if (text.isEmpty() || text.endsWith(c))
        return text;
    return text + c;
}

QString FromStoredPath(QString path)
{
    path.replace(u'\\', u'/');
    return path;
}

QString StoredPathBelow(const QString &root, const QString &item)
{
    const QString path = FromStoredPath(item);
    return IsAbsolutePath(item) ? path : root + QLatin1Char('/') + path;
}

QString NormalizePath(const QString &path, QChar delimiter)
{
    QString p = path;
    // (1) "\.\" and "/./" collapse until nothing changes.
    for (;;) {
        const qsizetype before = p.size();
        p.replace(QLatin1String("\\.\\"), QLatin1String("\\"));
        p.replace(QLatin1String("/./"), QLatin1String("/"));
        if (p.size() == before)
            break;
    }
    // (2) A leading ".\" or "./" and a trailing "\." or "/.".
    if (p.startsWith(QLatin1String(".\\")) || p.startsWith(QLatin1String("./")))
        p.remove(0, 2);
    if (p.endsWith(QLatin1String("\\.")) || p.endsWith(QLatin1String("/.")))
        p.chop(2);
    // (3) Each ".." removes the nearest earlier part that is not "..".
    if (p.contains(QLatin1String(".."))) {
        QStringList parts = p.split(delimiter);
        bool stop = false;
        int searchEnd = int(parts.size()) - 1;
        while (!stop) {
            int dots = -1;
            for (int i = searchEnd; i >= 0; --i)
                if (parts[i] == QLatin1String("..")) {
                    dots = i;
                    break;
                }
            if (dots < 0)
                break;
            int target = -1;
            for (int j = dots - 1; j >= 0; --j) {
                const QString &part = parts[j];
                if (part.isEmpty() || (j == 0 && part.size() == 2 && HasDriveLetter(part))) {
                    stop = true;
                    break;
                }
                if (part != QLatin1String("..")) {
                    target = j;
                    break;
                }
            }
            if (stop)
                break;
            if (target < 0) {
                // Only ".." parts before this one: look at the earlier ones.
                searchEnd = dots - 1;
                continue;
            }
            parts.removeAt(dots);
            parts.removeAt(target);
            searchEnd = int(parts.size()) - 1;
        }
        p = parts.join(delimiter);
    }
    // (4) ".." above the root.
    while (p.startsWith(QLatin1String("\\..\\")) || p.startsWith(QLatin1String("/../")))
        p.remove(0, 3);
    if (p == QLatin1String("\\..") || p == QLatin1String("/.."))
        p.clear();
    if (HasDriveLetter(p)) {
        while (p.mid(1).startsWith(QLatin1String(":\\..\\")) || p.mid(1).startsWith(QLatin1String(":/../")))
            p.remove(3, 3);
        if (p.size() == 5 && (p.mid(1) == QLatin1String(":\\..") || p.mid(1) == QLatin1String(":/..")))
            p = p.left(2);
    }
    // (5) A trailing "." after an ordinary character; "." alone.
    if (p == QLatin1String("."))
        p.clear();
    else if (p.size() >= 2 && p.endsWith(QLatin1Char('.'))) {
        const QChar before = p[p.size() - 2];
        if (before != u'.' && before != u'/' && before != u':' && before != u'\\')
            p.chop(1);
    }
    return p;
}

QString ResolvePath(const QString &path, const QString &baseFolder, QChar delimiter)
{
    QString p;
    if (path.isEmpty())
        p = baseFolder;
    else if (IsAbsolutePath(path))
        p = path;
    else
        p = WithTrailingChar(baseFolder, delimiter) + path;
    return NormalizePath(p, delimiter);
}

QDateTime FileModifiedTime(const QString &fileName)
{
    const QFileInfo fi(fileName);
    return fi.exists() ? fi.lastModified() : QDateTime();
}

bool FileHasAttribute(const QString &fileName, int attributes)
{
    const QFileInfo fi(fileName);
    if (!fi.exists())
        return false;
    int have = 0;
    if (!fi.isWritable())
        have |= faReadOnly;
    if (fi.isHidden())
        have |= faHidden;
    if (fi.isDir())
        have |= faDirectory;
    if (fi.isFile())
        have |= faArchive;
    return (have & attributes) != 0;
}

void CopyFileTo(const QString &source, const QString &destination)
{
    QString target = QFileInfo(destination).absoluteFilePath();
    if (QFileInfo(target).isDir())
        target = WithTrailingChar(target, QLatin1Char('/')) + QFileInfo(source).fileName();
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("Can not open file %1").arg(source));
    // Written through a save file: a failed copy never leaves half a target.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        throw EFileError(QStringLiteral("Can not create file %1").arg(target));
    char buffer[8192];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0)
            throw EFileError(QStringLiteral("Can not open file %1").arg(source));
        if (n == 0)
            break;
        if (out.write(buffer, n) != n)
            throw EFileError(QStringLiteral("Can not create file %1").arg(target));
    }
    if (!out.commit())
        throw EFileError(QStringLiteral("Can not create file %1").arg(target));
}

void MoveFileTo(const QString &source, const QString &destination)
{
    QString target = QFileInfo(destination).absoluteFilePath();
    if (QFileInfo(target).isDir())
        target = WithTrailingChar(target, QLatin1Char('/')) + QFileInfo(source).fileName();
    if (QFile::exists(target) && QFileInfo(source).absoluteFilePath() != target)
        QFile::remove(target);   // rename does not overwrite
    if (QFile::rename(source, target))
        return;
    const QFileInfo fi(source);
    if (!fi.exists() || !fi.isWritable())
        throw EFileError(QStringLiteral("Can not move file %1").arg(source));
    CopyFileTo(source, target);
    if (!QFile::remove(source))
        throw EFileError(QStringLiteral("Can not move file %1").arg(source));
}

// ---- String-list sorting and lookup ----------------------------------------

QString ListName(const QString &line)
{
    const qsizetype p = line.indexOf(QLatin1Char('='));
    return p < 0 ? line : line.left(p);
}

namespace {

void quickSort(QStringList &list, QStringList &names, int lo, int hi, const std::function<void()> *progress)
{
    while (lo < hi) {
        int i = lo;
        int j = hi;
        const QString pivot = names[(lo + hi) / 2];
        do {
            if (progress && *progress)
                (*progress)();
            while (CodePage1250::compareText(names[i], pivot) < 0)
                ++i;
            while (CodePage1250::compareText(names[j], pivot) > 0)
                --j;
            if (i <= j) {
                if (i != j) {
                    list.swapItemsAt(i, j);
                    names.swapItemsAt(i, j);
                }
                ++i;
                --j;
            }
        } while (i <= j);
        // Recurse into the smaller side, loop on the larger: bounded stack depth.
        if (j - lo < hi - i) {
            if (lo < j)
                quickSort(list, names, lo, j, nullptr);
            lo = i;
        } else {
            if (i < hi)
                quickSort(list, names, i, hi, nullptr);
            hi = j;
        }
    }
}

} // namespace

void SortListByName(QStringList &list, const std::function<void()> &progress)
{
    if (list.size() < 2)
        return;
    QStringList names;
    names.reserve(list.size());
    for (const QString &l : list)
        names.append(ListName(l));
    quickSort(list, names, 0, int(list.size()) - 1, &progress);
}

int FindFirstByName(const QStringList &list, const QString &name)
{
    int lo = 0;
    int hi = int(list.size()) - 1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const int c = CodePage1250::compareText(ListName(list[mid]), name);
        if (c < 0) {
            lo = mid + 1;
        } else if (c > 0) {
            hi = mid - 1;
        } else {
            // Equal names differing in case sort in no fixed order, so step
            // back over every case-insensitive equal to find the first.
            int first = mid;
            while (first > 0 && CodePage1250::sameText(ListName(list[first - 1]), name))
                --first;
            return first;
        }
    }
    return -1;
}

// ---- Name=Value texts --------------------------------------------------------

int IndexOfNameIn(const QStringList &lines, const QString &name)
{
    for (int i = 0; i < lines.size(); ++i) {
        const qsizetype eq = lines[i].indexOf(QLatin1Char('='));
        if (eq >= 0 && SameText(lines[i].left(eq), name))
            return i;
    }
    return -1;
}

QString ValueOfNameIn(const QStringList &lines, const QString &name)
{
    const int i = IndexOfNameIn(lines, name);
    return i < 0 ? QString() : TextAfter(lines[i], QStringLiteral("="));
}

void SetValueOfNameIn(QStringList &lines, const QString &name, const QString &value)
{
    const int i = IndexOfNameIn(lines, name);
    if (i < 0)
        lines.append(name + QLatin1Char('=') + value);
    else
        lines[i] = ListName(lines[i]) + QLatin1Char('=') + value;
}

QStringList ParenthesisedItems(const QString &value)
{
    const qsizetype open = value.indexOf(QLatin1Char('('));
    const qsizetype close = value.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close <= open)
        return {};
    return SplitCommaText(value.mid(open + 1, close - open - 1), TCommaBlanks::Trim);
}

int ZeroPrefixedInt(const QString &text)
{
    const QString prefixed = QLatin1Char('0') + TrimControls(text);
    int value = 0;
    if (!TryTextToInt(prefixed, value))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(prefixed));
    return value;
}

QString DateWrittenText(const QDateTime &moment)
{
    const QLocale locale = QLocale::system();
    // Long time without its time zone: date and time of the local clock.
    static const QRegularExpression zone(QStringLiteral("\\s*(?<![A-Za-z'])t+(?![A-Za-z'])"));
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(zone);
    timeFormat = timeFormat.trimmed();
    return locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ')
           + locale.toString(moment.time(), timeFormat);
}

// ---- Job names and captions -----------------------------------------------------

bool NameIsValid(const QString &name)
{
    return !name.isEmpty() && !(name[0] >= u'0' && name[0] <= u'9');
}

QString CaptionWithJobName(const QString &caption, const QString &jobName)
{
    const qsizetype open = caption.lastIndexOf(QLatin1String(" ["));
    const QString head = open < 0 ? caption : caption.left(open);
    const qsizetype close = caption.lastIndexOf(u']');
    const QString tail = close < 0 ? QString() : caption.mid(close + 1);
    return head + QStringLiteral(" [") + jobName + QLatin1Char(']') + tail;
}

QString CaptionWithItem(const QString &caption, const QString &item)
{
    return TextBeforeLast(caption, QStringLiteral(" - ")) + QStringLiteral(" - ") + item;
}

// ---- Programs -------------------------------------------------------------------

QString ProgramFile(const QString &path)
{
    const QString written = FromStoredPath(path);
    if (written.isEmpty() || QFileInfo(written).isFile())
        return written;
    if (written.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)) {
        const QString bare = written.left(written.size() - 4);
        if (QFileInfo(bare).isFile())
            return bare;
    }
    return written;
}

bool ProgramFileExists(const QString &path)
{
    const QString file = ProgramFile(path);
    return !file.isEmpty() && QFileInfo(file).isFile();
}

QString ToolRootOf(const QString &root, const QString &toolsFolder, const QString &installSubPath)
{
    // cleanPath drops a trailing delimiter, so the last component is the folder's name.
    QString result = QDir::cleanPath(QFileInfo(FromStoredPath(root)).absoluteFilePath());
    if (!toolsFolder.isEmpty() && !installSubPath.isEmpty() && SameText(QFileInfo(result).fileName(), toolsFolder)) {
        const QString install = QDir::cleanPath(result + QLatin1Char('/') + FromStoredPath(installSubPath));
        if (QFileInfo(install).isDir())
            result = install;
    }
    return result;
}

QStringList DefaultDosBoxCandidates()
{
    return {QStandardPaths::findExecutable(QStringLiteral("dosbox")), QStringLiteral("/usr/bin/dosbox"),
            QStringLiteral("/usr/local/bin/dosbox"), QStringLiteral("/usr/games/dosbox")};
}

void WriteDosBoxConfig(const QString &program, const QString &folder, const QString &configName, int timeoutMs)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (Unasked::NobodyToAsk()) {
        // Without a display DOSBox would fail to open its window and sound.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SDL_VIDEODRIVER"), QStringLiteral("dummy"));
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        process.setProcessEnvironment(env);
    }
    process.start(ProgramFile(program), {QStringLiteral("-c"), QStringLiteral("CONFIG -writeconf ") + configName,
                                         QStringLiteral("-noconsole"), QStringLiteral("-c"), QStringLiteral("exit")});
    if (!process.waitForStarted())
        return;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
}

TDosBoxLocation LocateDosBox(const QStringList &candidates, const QString &storedLocation, const QString &settingsFolder,
                             const QString &configName, int timeoutMs, IReporter *reporter,
                             const std::function<void(const QString &program)> &store)
{
    QString candidate;
    for (const QString &c : candidates)
        if (ProgramFileExists(c)) {
            candidate = ProgramFile(c);
            break;
        }
    if (candidate.isEmpty())
        candidate = storedLocation;
    if (candidate.isEmpty()) {
        TFileDialogRequest request;
        request.caption = QStringLiteral("Please locate DOSBox-0.74\\DOSBox.exe manually");
        request.folder = QStringLiteral("/usr/bin");
        request.fileName = QStringLiteral("dosbox");
        candidate = reporter->AskOpenFileName(request);
        if (candidate.isEmpty())
            reporter->ShowWarning(QStringLiteral("DOSBox-0.74\\DOSBox.exe file search cancelled"));
        else if (store)
            store(candidate);
    }
    TDosBoxLocation found;
    candidate = ProgramFile(candidate);
    if (!ProgramFileExists(candidate))
        return found;
    const QString config = settingsFolder + QLatin1Char('/') + configName;
    if (!QFileInfo::exists(config))
        WriteDosBoxConfig(candidate, settingsFolder, configName, timeoutMs);
    found.active = QFileInfo::exists(config);
    if (found.active) {
        found.program = QDir::cleanPath(QFileInfo(candidate).absoluteFilePath());
        found.configFile = config;
    }
    return found;
}

void SetLocationLine(QStringList &lines, const QString &locationName, const QString &useName, const QString &path)
{
    for (int i = int(lines.size()) - 1; i >= 0; --i)
        if (lines[i].contains(QLatin1Char('=')) && SameText(ListName(lines[i]), locationName))
            lines.removeAt(i);
    const QString line = locationName + QLatin1Char('=') + path;
    const int at = IndexOfNameIn(lines, useName);
    if (at < 0)
        lines.append(line);
    else
        lines.insert(at + 1, line);
}
