#include "StringListHolder.h"

#include "StreamToIniCore.h"

TStringListHolder::TStringListHolder(QObject *parent)
    : QObject(parent)
{
}

void TStringListHolder::SetStringList(const QStringList &lines)
{
    m_entries = lines;
    m_objects = QList<int>(lines.size(), 0);
}

int TStringListHolder::add(const QString &text, int object)
{
    m_entries.append(text);
    m_objects.append(object);
    return count() - 1;
}

void TStringListHolder::setCommaText(const QString &text)
{
    SetStringList(StreamToIniFormat::FromCommaText(text));
}

QString TStringListHolder::commaText() const
{
    return StreamToIniFormat::CommaText(m_entries);
}

void TStringListHolder::clear()
{
    m_entries.clear();
    m_objects.clear();
    m_maxLen = 0;
}
