#pragma once

#include <QLineEdit>

class QToolButton;

namespace kliv {

// The pair of arrows beside a delay: only signals, the delay decides what a step does.
class SpinButton : public QWidget {
    Q_OBJECT
  public:
    explicit SpinButton(const QString& objectName, QWidget* parent = nullptr);

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

  Q_SIGNALS:
    void upClicked();
    void downClicked();

  private:
    QToolButton* m_up;
    QToolButton* m_down;
};

// A protection delay: whole tenths of a second (0..255, the relay's one-byte field),
// shown read-only with one decimal and the user's decimal separator, stepped only by
// its own arrows (or the Up/Down keys).
class DelayText : public QLineEdit {
    Q_OBJECT
  public:
    static constexpr int Max = 255;

    DelayText(const QString& objectName, const QString& spinButtonName, int tenths,
              QWidget* parent = nullptr);

    int tenths() const { return m_tenths; }
    void setTenths(int tenths); // clamped to 0..255; a read may bring 0
    SpinButton* spinButton() const { return m_spin; }

    // Down stops at 0,1 s (0,0 only ever comes from the relay); Up at 25,5 s.
    void stepDown();
    void stepUp();

    QSize sizeHint() const override;

  Q_SIGNALS:
    void tenthsChanged(int tenths);

  protected:
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    int arrowsWidth() const;

    SpinButton* m_spin;
    int m_tenths = -1;
};

} // namespace kliv
