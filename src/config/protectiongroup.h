#pragma once

#include <QGroupBox>

class QGridLayout;
class QPushButton;

namespace kliv {

// "Установки защиты": ten small frames, one per protection, each led by its enable box.
// The fields are found by their object names; the group only lays them out.
class ProtectionGroup : public QGroupBox {
    Q_OBJECT
  public:
    explicit ProtectionGroup(QWidget* parent = nullptr);

    QPushButton* vtzButton() const { return m_vtz; } // "График ВТЗ"

  private:
    QPushButton* m_vtz = nullptr;
};

} // namespace kliv
