#pragma once

#include <QGroupBox>
#include <array>

class QLabel;

namespace kliv {

struct LiveStatusTexts;

// "Текущие данные": the measured voltages, currents, asymmetries, cos f, leakage
// current and power of the last live record.
class LiveValuesPanel : public QGroupBox {
    Q_OBJECT
  public:
    explicit LiveValuesPanel(QWidget* parent = nullptr);
    void showTexts(const LiveStatusTexts& t);

  private:
    enum Field { Ua, Ub, Uc, Uasm, Cos, Pa, Ia, Ib, Ic, Iasm, Idif, FieldCount };
    std::array<QLabel*, FieldCount> m_fields{};
};

} // namespace kliv
