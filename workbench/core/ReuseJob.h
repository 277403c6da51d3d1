#pragma once
// The reuse job's rules that need no window: names and the job name, the
// caption, the properties section of the job file, the output directory's
// checks, the names drop and what Reset output collects.

#include "SharedRoutinesCommon.h"

#include <QString>
#include <QStringList>

#include <functional>

class TStreamToIniCore;

struct TJobProperties
{
    QString ProjectName;
    QString ProjectProductName;
    QString ProjectSystemName;
    bool BatchRunning = false;
    QString ProjectDirectory;
    QString LanguageCode;    // written commented out, not read back
    QString ToolRoot;        // written commented out, not read back
    QString ProjectInterFaceType;
    int MaxDirDepth = 0;
    QString ProjectCommonRoot;
    int SelectedFilesScreenWidth = 0;
    QString QuenbarJobName;
};

namespace ReuseJob {

// The folders of an output directory: the converters' work folder, the
// staging folder of their inputs, the repository. Computed here only.
QString WorkDirOf(const QString &outputDir);
QString StagingDirOf(const QString &outputDir);
QString RepositoryFolderOf(const QString &outputDir);

constexpr int MaxNameLength = 8;

// The name rule and the captions are the shared routines' (the shell's jobs follow them too).
using ::CaptionWithItem;
using ::CaptionWithJobName;
using ::NameIsValid;
// CapitalizeWords(product) + CapitalizeWords(system).
QString DeriveJobName(const QString &product, const QString &system);

// The "[Properties]" section, keys in their fixed order; empty values leave
// their line out.
void WriteProperties(TStreamToIniCore &ini, const TJobProperties &p);
// Raises EConvertError when a number is not an integer.
TJobProperties ReadProperties(const TStreamToIniCore &ini);

// Empty when the text can be an output directory, else the message.
QString OutputDirectoryProblem(const QString &text);
// Doubled delimiters collapsed, no trailing delimiter.
QString NormalizeOutputDirectory(const QString &text);
// The folder remembered as "LastOutputDir" for a saved job.
QString LastOutputDirFor(const QString &outputDir);
// The output directory after dropping the names on it; empty for no change.
QString NamesDropTarget(const QString &fieldText, const QString &languageCode, const QString &jobName);

// The files Reset output names in its question, in its order.
QStringList ResetOutputFiles(const QString &outputDir, const QString &product, const QString &system,
                             const QString &jobName, int maxDirDepth);
QString ResetOutputQuestion(const QStringList &files);
// Staged converter output: upper-cased, digits as "#", begins with "CMP####".
bool IsNumberedConverterFile(const QString &fileName);

// Deletes the files below folder (depth 1: the folder itself) that the
// predicate accepts (given the full path), removing each folder that becomes empty; returns the
// number deleted. Linked folders are not followed.
int RemoveFilesBelow(const QString &folder, int depth, const std::function<bool(const QString &path)> &accept);

} // namespace ReuseJob
