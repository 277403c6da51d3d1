// Converts the analyser's exports of object-oriented classes (Java, C++,
// C#...) into WSDL documents for the workbench.
#include "ExportConversion.h"

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return Converters::runConverter(Converters::Mode::ObjectOriented, arguments);
}
