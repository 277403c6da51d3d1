#pragma once
// Opens the real analysis shell window offscreen on a private installation:
// the program path and its settings file in a temporary folder, the example
// languages' definition folders below the tool root, stand-ins for their
// analysers, per-user settings in a temporary folder, scripted dialogs.

#include "ScriptedDialogs.h"
#include "ShellKinds.h"

#include <QMap>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class TfrmOstrinMain;

class TShellGuiTestBase
{
public:
    // programName chooses the kind with hostTag; settings: the settings
    // file's lines (written under the name the kind looks for), none when
    // withSettings is false.
    TShellGuiTestBase(const QString &programName, int hostTag, const QStringList &settings,
                      const QStringList &args = {}, bool withSettings = true);
    ~TShellGuiTestBase();

    // The example settings file of the hosted kind or of "Mireth".
    static QStringList exampleSettings(const QString &name);

    // Creates and shows the window and waits for its start to finish (true)
    // or fail. host: the hand-over of a hosted kind, not owned.
    bool start(Ostrin::TShellHost *host = nullptr, const std::function<void(TfrmOstrinMain *)> &beforeShow = {});
    // Closes the window; false when it stayed open.
    bool close();

    TfrmOstrinMain *window() const { return m_window.get(); }
    TScriptedDialogs &dialogs() { return *m_dialogs; }
    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    QString programFolder() const { return path(QStringLiteral("bin")); }
    QString programPath() const { return programFolder() + QLatin1Char('/') + m_programName; }
    QString settingsPath() const;
    QString outputRoot() const { return path(QStringLiteral("out")); }
    QString jobsFolder() const { return path(QStringLiteral("jobs")); }

private:
    QTemporaryDir m_dir;
    QString m_programName;
    int m_hostTag;
    QStringList m_args;
    Ostrin::TAnalTypeConstants m_row;
    QMap<QString, QString> m_userSettings;   // the per-user store of this fixture alone
    std::unique_ptr<TScriptedDialogs> m_dialogs;
    std::unique_ptr<TfrmOstrinMain> m_window;
};
