#include "Kereso.h"

#include "CommandDispatch.h"
#include "LayoutHelpers.h"
#include "QuenbarDB.h"
#include "ScopeGuard.h"
#include "SharedRoutinesCommon.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSqlError>
#include <QSqlQuery>
#include <QVBoxLayout>

namespace {

const QString NameField = QStringLiteral("Name");

} // namespace

// ---- TRepositoryLookupTable ------------------------------------------------------

bool TRepositoryLookupTable::IsBrowsing() const
{
    return m_table && m_table->State() == TRepositoryTable::TState::Browse;
}

bool TRepositoryLookupTable::FindKey(const QString &key)
{
    return m_table && m_table->FindNearestName(key);
}

QString TRepositoryLookupTable::FieldValue(const QString &field) const
{
    if (!m_table || !m_table->HasCurrent())
        return QString();
    return m_table->AsString(field);
}

bool TRepositoryLookupTable::NextFieldValue(const QString &field, QString &value) const
{
    if (!m_dm || !m_table || !m_table->Active() || !m_table->HasCurrent())
        return false;
    const TRepositoryTableDef &def = m_table->Definition();
    const TRepositoryField *f = def.field(field);
    if (!f)
        throw EDatabaseError(QStringLiteral("Field '") + field + QStringLiteral("' not found"));
    const TRepositoryField *name = def.field(NameField);
    const bool nameOrder = m_table->Order() == TRepositoryTable::TOrder::Name && name;

    // The row after the current one in the table's order, found through the
    // index instead of the table's row list.
    QStringList conditions;
    TRepositoryTable *master = m_table->Master();
    if (master)
        conditions << QStringLiteral("UpPointer = ?");
    conditions << (nameOrder ? QStringLiteral("(NameFold, Kulcs) > (?, ?)") : QStringLiteral("Kulcs > ?"));
    const QString column = f->name;
    QSqlQuery q(m_dm->database());
    q.setForwardOnly(true);
    const QString sql = QStringLiteral("select ") + column + QStringLiteral(" from ") + def.name
                        + QStringLiteral(" where ") + conditions.join(QStringLiteral(" and "))
                        + (nameOrder ? QStringLiteral(" order by NameFold, Kulcs") : QStringLiteral(" order by Kulcs"))
                        + QStringLiteral(" limit 1");
    if (!q.prepare(sql))
        throw EDatabaseError(q.lastError().text());
    if (master)
        q.addBindValue(qlonglong(master->Kulcs()));
    if (nameOrder)
        q.addBindValue(RepositorySchema::Fold(m_table->AsString(NameField), name->size));
    q.addBindValue(qlonglong(m_table->Kulcs()));
    if (!q.exec())
        throw EDatabaseError(q.lastError().text());
    if (!q.next())
        return false;
    value = q.value(0).toString();
    return true;
}

// ---- TfrmKereso ----------------------------------------------------------------------

TfrmKereso::TfrmKereso(TDM &dm, QWidget *parent)
    : QWidget(parent, parent ? Qt::WindowFlags() : Qt::Window | Qt::FramelessWindowHint), m_dm(dm), m_lookup(&dm)
{
    setObjectName(QStringLiteral("frmKereso"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    DataSourceKereso = new TRepositoryGridModel(dm, nullptr, {{NameField, NameField}}, this);
    DataSourceKereso->setObjectName(QStringLiteral("DataSourceKereso"));
    DBGridKereso = new TDBGridWithDrag(this);
    DBGridKereso->setObjectName(QStringLiteral("DBGridKereso"));
    DBGridKereso->SetDataSource(DataSourceKereso);
    // The wheel moves the searched table, three rows a step.
    DBGridKereso->OnMouseWheel = [this](bool down) {
        if (m_table && m_table->Active())
            RunCommand(StatusBarOf(this), [this, down] { m_table->MoveBy(down ? 3 : -3); });
        return true;
    };
    connect(DBGridKereso, &QAbstractItemView::clicked, this,
            [this] { RunCommand(StatusBarOf(this), [this] { DBGridKeresoCellClick(); }); });
    layout->addWidget(DBGridKereso, 1);

    EKereso = new QLineEdit(this);
    EKereso->setObjectName(QStringLiteral("EKereso"));
    EKereso->installEventFilter(this);
    connect(EKereso, &QLineEdit::textChanged, this,
            [this] { RunCommand(StatusBarOf(this), [this] { EKeresoChange(); }); });
    layout->addWidget(EKereso);

    m_homeParent = parent;
    hide();
}

TfrmKereso::~TfrmKereso()
{
    DataSourceKereso->SetTable(nullptr);
    m_lookup.SetTable(nullptr);
    m_table.reset();
}

void TfrmKereso::OpenTable(const QString &tableName)
{
    CloseTable();
    auto table = std::make_unique<TRepositoryTable>(m_dm, tableName, nullptr, TRepositoryTable::TOrder::Name);
    table->setObjectName(QStringLiteral("TableKereso"));
    table->Open();
    m_table = std::move(table);
    m_lookup.SetTable(m_table.get());
    DataSourceKereso->SetTable(m_table.get());
}

void TfrmKereso::CloseTable()
{
    DataSourceKereso->SetTable(nullptr);
    m_lookup.SetTable(nullptr);
    m_table.reset();
}

void TfrmKereso::EKeresoChange()
{
    if (m_table && m_table->Active() && !Busy) {
        const QString typed = EKereso->text();
        IncrementalSearchChange(EKereso, m_lookup, NameField, Busy);
        // A character taken back leaves the table on the row nearest to the
        // longer text; the row shown must be the one for the text shown.
        const QString shown = EKereso->text();
        if (!shown.isEmpty() && shown.size() < typed.size())
            m_lookup.FindKey(shown);
    }
    FitGridColumns(DBGridKereso);
    if (!Busy)
        SynchronizeBrowser();
}

bool TfrmKereso::EKeresoKeyPress(QKeyEvent *event)
{
    return IncrementalSearchKeyPress(EKereso, event, Busy);
}

void TfrmKereso::DBGridKeresoCellClick()
{
    if (!m_table || !m_table->HasCurrent())
        return;
    const QString name = m_table->AsString(NameField);
    if (EKereso->text() != name)
        EKereso->setText(name); // runs the change handling
    else
        SynchronizeBrowser();
}

void TfrmKereso::SynchronizeBrowser()
{
    if (Busy || !m_table || !m_table->Active() || !m_table->HasCurrent())
        return;
    TFlagSetter busy(Busy);   // also when a table operation throws
    const TRepositoryTableDef &def = m_table->Definition();
    auto has = [&](const char *field) { return def.field(QString::fromLatin1(field)) != nullptr; };
    // The key of a level in the search row. An Interfaces row does not carry
    // its own "InterfacesKulcs" (it stays unset), so its "Kulcs" stands in.
    auto keyOf = [&](const char *level) {
        const QString levelName = QString::fromLatin1(level);
        if (SameText(def.name, levelName))
            return m_table->FieldValue(QStringLiteral("Kulcs"));
        return m_table->FieldValue(levelName + QStringLiteral("Kulcs"));
    };
    if (!has("InterfacesKulcs"))
        return;
    // Each upper row found refilters the tables below it, so the lower
    // locates find their rows.
    const QVariant interfaceKey = keyOf("Interfaces");
    m_dm.TableInterfaces().Locate({QStringLiteral("Kulcs")}, {interfaceKey});
    if (!has("OperationsKulcs"))
        return;
    const QVariant operationKey = keyOf("Operations");
    m_dm.TableOperations().Locate({QStringLiteral("InterfacesKulcs"), QStringLiteral("Kulcs")},
                                  {interfaceKey, operationKey});
    if (!has("InputsOutputsKulcs"))
        return;
    const QVariant messageKey = keyOf("InputsOutputs");
    m_dm.TableInputsOutputs().Locate(
        {QStringLiteral("InterfacesKulcs"), QStringLiteral("OperationsKulcs"), QStringLiteral("Kulcs")},
        {interfaceKey, operationKey, messageKey});
    if (!has("ParametersKulcs"))
        return;
    m_dm.TableParameters().Locate({QStringLiteral("InterfacesKulcs"), QStringLiteral("OperationsKulcs"),
                                   QStringLiteral("InputsOutputsKulcs"), QStringLiteral("Kulcs")},
                                  {interfaceKey, operationKey, messageKey, keyOf("Parameters")});
}

void TfrmKereso::ManualDock(QWidget *panel, QBoxLayout *layout, int index)
{
    if (m_dockPanel)
        Undock();
    m_homeParent = parentWidget();
    setParent(panel, Qt::Widget);
    layout->insertWidget(index, this, 1);
    m_dockPanel = panel;
}

void TfrmKereso::Undock()
{
    hide();
    if (!m_dockPanel)
        return;
    if (QLayout *layout = m_dockPanel->layout())
        layout->removeWidget(this);
    m_dockPanel = nullptr;
    // Borderless on its own; a hidden child of its owner otherwise.
    setParent(m_homeParent, m_homeParent ? Qt::WindowFlags() : Qt::Window | Qt::FramelessWindowHint);
    hide();
}

bool TfrmKereso::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == EKereso && event->type() == QEvent::KeyPress) {
        bool swallowed = false;
        RunCommand(StatusBarOf(this), [&] { swallowed = EKeresoKeyPress(static_cast<QKeyEvent *>(event)); });
        if (swallowed)
            return true;
    }
    return QWidget::eventFilter(watched, event);
}
