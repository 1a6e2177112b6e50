#pragma once

#include "files/changerecord.h"

#include <QDialog>

class QCheckBox;
class QTableWidget;

namespace kliv {

// "Журнал изменений": the journal's lines, newest first, those of one relay or of all;
// lines that could not be read are counted under the table.
class ChangeLogDialog : public QDialog {
    Q_OBJECT
  public:
    ChangeLogDialog(const changes::ChangeLog& log, int serial, QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }
    QCheckBox* onlyThisRelay() const { return m_only; }

    // How the journal's names read on screen.
    static QString jobText(const QString& job);
    static QString outcomeText(const QString& outcome);

  private:
    void fill();

    changes::ChangeLog m_log;
    int m_serial;
    QTableWidget* m_table = nullptr;
    QCheckBox* m_only = nullptr;
};

} // namespace kliv
