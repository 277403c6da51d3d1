#pragma once
// After a run: the analyser's results, written under the generated staging
// names, are renamed back into sub-folders that mirror the source tree and
// counted; the staged inputs and temporary files are deleted and result
// folders that stayed empty removed. Only generated names below the output
// directory are ever moved or deleted: a result whose map entry would lead
// outside its result folder is left where it is.

#include <QString>
#include <QStringList>

#include <functional>

class IReporter;
class TShellJob;
class TShellStaging;

class TResultRenaming
{
public:
    // Not owned; all must outlive this object. The staging holds the name
    // and extension maps (restored from the job's memos after a reopen).
    TResultRenaming(TShellJob &job, TShellStaging &staging, IReporter *reporter);

    // "Metrics", "Defis", "Specs", "Requs", "Comments", "Exports", "Cases", "Instru", "Tables".
    static QStringList RenamedFolderNames();

    // Run types 1, 3, 5, 6 and the reopened job's finished batch.
    void PostRunProcessing(int runType);
    // Renames the results in output directory + "/" + folder; returns the count moved.
    int RenameResults(const QString &folder);
    // Run types 1, 3, 4, 5, 6.
    void DeleteTemporaryFiles();
    void RemoveEmptyResultFolders();
    // The job's counters are set to 0 when a run starts.
    void ResetCounters();

    // Test documentation's method-file mode (its sources keep their own names).
    bool MethodFileMode = false;

    // ---- Hooks ---------------------------------------------------------------
    std::function<void(const QString &caption, int position, int maximum)> OnProgress;
    // Run type 3: reload both word lists from this "functab.wrl".
    std::function<void(const QString &path)> LoadWordList;
    // Kind 8: file the scan into the statistics archive.
    std::function<void()> ImportStatistics;
    std::function<void(bool busy)> ShowBusy;

private:
    void progress(const QString &caption, int position, int maximum);
    bool insideFolder(const QString &path, const QString &folder) const;

    TShellJob &m_job;
    TShellStaging &m_staging;
    IReporter *m_reporter;
};
