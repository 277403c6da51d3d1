// The COBOL analyser the analysis shell starts with "last.xml" in the
// output directory.
#include "CobolRun.h"

#include <QFileInfo>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // The shell ticks entries of the language's definition files: the
    // language folder beside this program's folder (COB85ReDoc below the
    // tool root), else this program's own folder.
    const QFileInfo program(QString::fromLocal8Bit(argv[0]));
    const QString folder = program.absolutePath();
    return Cobol::runAnalyser(arguments, {folder + QStringLiteral("/../COB85ReDoc"), folder});
}
