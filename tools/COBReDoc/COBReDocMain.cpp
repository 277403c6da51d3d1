// The COBOL analyser the analysis shell starts with "last.xml" in the
// output directory.
#include "CobolRun.h"

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return Cobol::runAnalyser(arguments);
}
