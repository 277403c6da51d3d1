#pragma once
// The shell's source file list as the window shows it: the tick and path
// (ticked sources relative to the assumed "System" directory, unticked ones
// in full), then the component, the module and, for duplicates only, the
// unique source name; with the extended options also the compacted path.
// Ticks and enabled states stay the list's own.

#include <QAbstractTableModel>

class TShellSourceList;

class TSourceColumns : public QAbstractTableModel
{
public:
    enum TColumn { Path, Component, Module, UniqueName, Compacted };

    explicit TSourceColumns(TShellSourceList &sources, QObject *parent = nullptr);

    void SetCompactedShown(bool shown);
    // The structure analysis changed what the columns show.
    void StructureChanged();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    TShellSourceList &m_sources;
    bool m_compacted = false;
};
