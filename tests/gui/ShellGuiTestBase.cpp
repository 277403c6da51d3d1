#include "ShellGuiTestBase.h"
#include "WindowStart.h"

#include "OstrinMain.h"
#include "SharedRoutinesCommon.h"
#include "TextFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QString kExamples = QStringLiteral(QUENBAR_EXAMPLES_DIR);

void copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QString &name : QDir(from).entryList(QDir::Files))
        QFile::copy(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name);
}

void standIn(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

TShellGuiTestBase::TShellGuiTestBase(const QString &programName, int hostTag, const QStringList &settings,
                                     const QStringList &args, bool withSettings)
    : m_programName(programName), m_hostTag(hostTag), m_args(args)
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("data"))));
    qputenv("XDG_DOCUMENTS_DIR", QFile::encodeName(path(QStringLiteral("docs"))));
    QDir().mkpath(programFolder());
    QDir().mkpath(outputRoot());
    QDir().mkpath(jobsFolder());
    m_row = Ostrin::SelectApplicationKind(programPath(), hostTag);
    if (withSettings)
        TextFile::writeLines(settingsPath(), settings);
    // The example languages' definitions in every analyser folder a kind may look in.
    for (const QString &suffix : {QString(), QStringLiteral("ReDoc"), QStringLiteral("Audit"), QStringLiteral("Anal"),
                                  QStringLiteral("Inst"), QStringLiteral("Scan")}) {
        for (const QString &code : {QStringLiteral("COB85"), QStringLiteral("JAV1")}) {
            copyFolder(kExamples + QStringLiteral("/Tools/Maintain/Quenbar/") + code + QStringLiteral("ReDoc"),
                       programFolder() + QLatin1Char('/') + code + suffix);
            standIn(programFolder() + QLatin1Char('/') + code + suffix + QLatin1Char('/') + code + suffix);
        }
        for (const QString &code : {QStringLiteral("REQ"), QStringLiteral("DEFI"), QStringLiteral("PLI")})
            standIn(programFolder() + QLatin1Char('/') + code + suffix + QLatin1Char('/') + code + suffix);
    }
    // The COBOL analyser the hosted kind's settings name (Procpgm=COBReDoc\COBReDoc).
    standIn(programFolder() + QStringLiteral("/COBReDoc/COBReDoc"));
    // Each test starts with empty per-user settings, and leaves none behind.
    const auto key = [](const QString &name) { return SettingsProgram() + u'/' + SettingsSection() + u'/' + name; };
    SetSettingsProcedures([this, key](const QString &name) { return m_userSettings.value(key(name)); },
                          [this, key](const QString &name, const QString &text) { m_userSettings[key(name)] = text; });
    SetSettingsProgram(m_row.AppName + QStringLiteral(" Shell"));
    SetSettingsSection(QStringLiteral("Parameters"));
    WriteSetting(QStringLiteral("LastOutputDir"), outputRoot());
    WriteSetting(QStringLiteral("LastPosition"), jobsFolder());
    m_dialogs = std::make_unique<TScriptedDialogs>();
}

TShellGuiTestBase::~TShellGuiTestBase()
{
    if (m_window) {
        m_window->Job->SetBatchRunning(false);
        m_window->Job->SetModifiedDirectly(false);
        m_window->Job->SetHost(nullptr);
    }
    m_window.reset();
    m_dialogs.reset();
    SetSettingsProcedures({}, {});
}

QString TShellGuiTestBase::settingsPath() const
{
    const QString name = m_row.IniFileName.isEmpty() ? m_programName + QStringLiteral(".INI") : m_row.IniFileName;
    return programFolder() + QLatin1Char('/') + name;
}

QStringList TShellGuiTestBase::exampleSettings(const QString &name)
{
    const QString file = name == QLatin1String("Mireth") ? kExamples + QStringLiteral("/Tools/Maintain/Mireth/Mireth.INI")
                                                        : kExamples + QStringLiteral("/Tools/Maintain/Quenbar/Quenbar_Mireth.INI");
    return TextFile::readLines(file);
}

bool TShellGuiTestBase::start(Ostrin::TShellHost *host, const std::function<void(TfrmOstrinMain *)> &beforeShow)
{
    m_window = std::make_unique<TfrmOstrinMain>(m_args.isEmpty() ? QStringList{QString()} : m_args, nullptr,
                                                programPath(), m_hostTag, host);
    if (beforeShow)
        beforeShow(m_window.get());
    return ShowAndWaitForStart(m_window.get());
}

bool TShellGuiTestBase::close()
{
    m_window->close();
    QTest::qWait(10);
    return !m_window->isVisible();
}
