#include "GuiTestBase.h"
#include "WindowStart.h"

#include "MyStatusBar.h"
#include "ProgressQuenbar.h"
#include "QuenbarDB.h"
#include "QuenbarMain.h"
#include "SharedRoutinesCommon.h"
#include "TextFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

TGuiTestBase::TGuiTestBase(bool withSettings, const QStringList &extraArgs)
    : m_args(extraArgs)
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("data"))));
    qputenv("XDG_DOCUMENTS_DIR", QFile::encodeName(path(QStringLiteral("docs"))));
    QDir().mkpath(programFolder());
    QDir().mkpath(outputRoot());
    if (withSettings) {
        QStringList lines = TextFile::readLines(QStringLiteral(QUENBAR_EXAMPLES_DIR) + QStringLiteral("/Tools/Maintain/Quenbar/Quenbar.INI"));
        for (QString &l : lines)
            l.replace(QStringLiteral("@QUENBAR_TOOLS_DIR@"), programFolder());
        TextFile::writeLines(programFolder() + QStringLiteral("/Quenbar.INI"), lines);
        // Stand-ins for the converters, so the program fields are valid.
        for (const char *tool : {"WSDLProc", "WSDLObjt"}) {
            QFile f(programFolder() + QLatin1Char('/') + QLatin1String(tool));
            if (f.open(QIODevice::WriteOnly))
                f.close();
        }
    }
    // Each test starts with empty per-user settings and the output root remembered.
    SetSettingsProgram(QStringLiteral("Quenbar Shell"));
    SetSettingsSection(QStringLiteral("Parameters"));
    WriteSetting(QStringLiteral("LastOutputDir"), outputRoot());
    WriteSetting(QStringLiteral("LastPosition"), path(QStringLiteral("jobs")));
    m_dialogs = std::make_unique<TScriptedDialogs>();
}

TGuiTestBase::~TGuiTestBase()
{
    if (m_window) {
        m_window->Job->SetBatchRunning(false);
        m_window->Job->SetBusyPreparing(false);
    }
    m_progress.reset();   // a child of the window: goes first
    m_window.reset();
    m_dm.reset();
    m_dialogs.reset();
}

bool TGuiTestBase::start(const std::function<void(TfrmQuenbarMain *)> &beforeShow)
{
    m_window = std::make_unique<TfrmQuenbarMain>(m_args, nullptr, programFolder() + QStringLiteral("/Quenbar"));
    m_progress = std::make_unique<TfrmProgressQuenbar>(m_window.get());
    m_dm = std::make_unique<TDM>();
    m_dm->SetReporter(m_window->MyStB);
    m_window->setProgressWindow(m_progress.get());
    m_window->setDataModule(m_dm.get());
    if (beforeShow)
        beforeShow(m_window.get());
    return ShowAndWaitForStart(m_window.get());
}
