#pragma once

#include <QGroupBox>
#include <array>

class QGridLayout;
class QLabel;

namespace kliv {

class Shape;
struct LiveStatus;
struct LiveStatusTexts;

// "Состояние защиты": per protection a round square (operated) with a circle inside
// (picking up) and its timer; the equipment, insulation and summary indicators; the
// overload multiple.
class ProtectionPanel : public QGroupBox {
    Q_OBJECT
  public:
    static constexpr int ProtectionCount = 8;

    explicit ProtectionPanel(QWidget* parent = nullptr);
    void showStatus(const LiveStatus& s, const LiveStatusTexts& t);

  private:
    Shape* addIndicator(QGridLayout* g, int row, int col, const QString& caption,
                        const QString& name);
    void addProtection(QGridLayout* g, int row, int col, int bit);

    std::array<Shape*, ProtectionCount> m_operated{};  // round squares, byte 13
    std::array<Shape*, ProtectionCount> m_condition{}; // circles, byte 11
    std::array<QLabel*, ProtectionCount> m_timers{};
    Shape* m_equipment = nullptr;
    Shape* m_insulation = nullptr;
    Shape* m_any = nullptr;
    QLabel* m_overload = nullptr;
};

} // namespace kliv
