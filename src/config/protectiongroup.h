#pragma once

#include <QGroupBox>

class QGridLayout;
class QLineEdit;
class QPushButton;

namespace kliv {

class SpinEdit;

// "Установки защиты": ten small frames, one per protection, each led by its enable box.
// The fields are found by their object names; the group only lays them out.
class ProtectionGroup : public QGroupBox {
    Q_OBJECT
  public:
    explicit ProtectionGroup(QWidget* parent = nullptr);

    QPushButton* vtzButton() const { return m_vtz; }     // "График ВТЗ"
    QLineEdit* nominalCurrent() const { return m_inom; } // "Iном:"
    SpinEdit* overloadTime() const { return m_vtzTime; } // "ВТЗ:"

  private:
    QPushButton* m_vtz = nullptr;
    QLineEdit* m_inom = nullptr;
    SpinEdit* m_vtzTime = nullptr;
};

} // namespace kliv
