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

THolderData TStringListHolder::Data() const
{
    return {m_maxLen, m_saveObjects, m_entries, m_objects};
}

void TStringListHolder::AddData(const THolderData &data)
{
    m_maxLen = data.maxLen;
    m_saveObjects = data.saveObjects;
    for (qsizetype i = 0; i < data.entries.size(); ++i)
        add(data.entries.at(i), data.objects.value(i));
}
