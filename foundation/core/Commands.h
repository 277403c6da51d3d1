#pragma once
// The one way a command runs: EAbort (the silent end of a command) is
// swallowed, every other exception is reported to the reporter, never
// passed on. Windows dispatch their actions through it (CommandDispatch),
// unattended runs call it directly.

#include <QString>

#include <functional>

class IReporter;

// Reported when something that is not a std::exception was thrown.
QString UnknownErrorText();
// Reported for an error that carries no message of its own.
QString ErrorWithoutMessageText();
// The message of the error in flight (call only inside a catch block);
// empty for EAbort.
QString CurrentErrorText();

// Runs the command; returns true when it ran to its end, false when it was
// ended by EAbort or an error (which is then reported, or printed on stderr
// without a reporter).
bool RunCommand(IReporter *reporter, const std::function<void()> &command);

// Reports the exception in flight (call only inside a catch block); EAbort
// is ignored. Never throws.
void ReportCurrentException(IReporter *reporter);
