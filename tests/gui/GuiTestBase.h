#pragma once
// Opens the real workbench window offscreen on a private tool root: its own
// settings file beside a program path in a temporary folder, per-user
// settings and desktop files in temporary folders, scripted dialogs.

#include "ScriptedDialogs.h"

#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class TDM;
class TfrmProgressQuenbar;
class TfrmQuenbarMain;

class TGuiTestBase
{
public:
    // withSettings false: the program folder holds no settings file.
    explicit TGuiTestBase(bool withSettings = true, const QStringList &extraArgs = {});
    ~TGuiTestBase();

    // Creates and shows the window and waits for its start to finish (true)
    // or to fail. beforeShow runs on the built window just before it is shown.
    bool start(const std::function<void(TfrmQuenbarMain *)> &beforeShow = {});

    TfrmQuenbarMain *window() const { return m_window.get(); }
    TDM *dm() const { return m_dm.get(); }
    TScriptedDialogs &dialogs() { return *m_dialogs; }
    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    QString programFolder() const { return path(QStringLiteral("Tools/Maintain/Quenbar")); }
    QString outputRoot() const { return path(QStringLiteral("out")); }

private:
    QTemporaryDir m_dir;
    QStringList m_args;
    std::unique_ptr<TScriptedDialogs> m_dialogs;
    std::unique_ptr<TfrmQuenbarMain> m_window;
    std::unique_ptr<TfrmProgressQuenbar> m_progress;
    std::unique_ptr<TDM> m_dm;
};
