#include "Commands.h"

#include "Errors.h"
#include "Reporting.h"

#include <cstdio>
#include <exception>

namespace {

void printError(const QString &message)
{
    std::fputs((message + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

void report(IReporter *reporter, QString message)
{
    // An empty text would clear the report and hide the failure.
    if (message.trimmed().isEmpty())
        message = ErrorWithoutMessageText();
    if (reporter) {
        try {
            reporter->ShowError(message, true);
            return;
        } catch (...) {
            // The reporter (or a dialog behind it) failed: fall back below.
        }
    }
    printError(message);
}

} // namespace

QString UnknownErrorText()
{
    return QStringLiteral("Unexpected error of unknown kind, the command was stopped");
}

QString ErrorWithoutMessageText()
{
    return QStringLiteral("An error without a message stopped the command");
}

QString CurrentErrorText()
{
    try {
        throw;
    } catch (const EAbort &) {
        return QString();
    } catch (const EQuenbarError &e) {
        return e.message();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return UnknownErrorText();
    }
}

void ReportCurrentException(IReporter *reporter)
{
    try {
        throw;
    } catch (const EAbort &) {
    } catch (const EQuenbarError &error) {
        report(reporter, error.message());
    } catch (const std::exception &error) {
        report(reporter, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        report(reporter, UnknownErrorText());
    }
}

bool RunCommand(IReporter *reporter, const std::function<void()> &command)
{
    try {
        if (command)
            command();
        return true;
    } catch (...) {
        ReportCurrentException(reporter);
        return false;
    }
}
