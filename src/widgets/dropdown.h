#pragma once

#include <QComboBox>

namespace kliv {

// A drop-down list of the kit. Screen readers get the list's own name (its caption or
// accessible name) as its name and the chosen item as its value; the toolkit's own
// interface on Linux would give the chosen item for both and lose the name.
class DropDown : public QComboBox {
    Q_OBJECT
  public:
    explicit DropDown(QWidget* parent = nullptr);

    // The chosen item as the list's tooltip, for items wider than the closed list. It is
    // read when the tooltip is asked for, so a choice made with the list's signals
    // blocked shows as well.
    void setChoiceAsToolTip(bool on) { m_choiceAsToolTip = on; }

    void showPopup() override;

  Q_SIGNALS:
    void aboutToShowPopup(); // the list may refresh its items first

  protected:
    bool event(QEvent* e) override;

  private:
    bool m_choiceAsToolTip = false;
};

} // namespace kliv
