#pragma once
#include <QByteArray>
#include <QString>
#include <exception>

// Base of every error the system raises with a user-facing message.
class EQuenbarError : public std::exception
{
public:
    explicit EQuenbarError(QString message)
        : m_message(std::move(message)), m_what(m_message.toUtf8()) {}
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    QString m_message;
    QByteArray m_what;
};

// File could not be opened, created, copied or moved.
class EFileError : public EQuenbarError
{
public:
    using EQuenbarError::EQuenbarError;
};

// A text could not be converted to the value asked for.
class EConvertError : public EQuenbarError
{
public:
    using EQuenbarError::EQuenbarError;
};

// The silent end of the current user command: thrown after the message has
// been reported, swallowed where commands are dispatched. Deliberately not a
// std::exception, so generic handlers never mistake it for a failure.
class EAbort
{
};
