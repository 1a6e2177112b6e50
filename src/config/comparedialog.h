#pragma once

#include "model/configschema.h"

#include <QDialog>
#include <QStringList>

class QTableWidget;

namespace kliv {

// "Сравнить с реле": the fields whose page value differs from the relay's, one row each
// (caption, page value, relay value), every row ticked. "Взять значения реле" closes the
// dialog accepted; chosenKeys() then names the ticked rows.
class CompareDialog : public QDialog {
    Q_OBJECT
  public:
    explicit CompareDialog(const QList<config::FieldDifference>& differences,
                           QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }
    QStringList chosenKeys() const;

  private:
    QTableWidget* m_table = nullptr;
};

} // namespace kliv
