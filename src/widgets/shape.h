#pragma once

#include <QColor>
#include <QWidget>

namespace kliv {

// A coloured indicator: a round square, optionally with a circle centred inside it. Its
// state is also kept in words, so it is not told by colour alone (screen readers read
// the words).
class Shape : public QWidget {
    Q_OBJECT
  public:
    enum Kind { RoundSquare, Circle };
    static const QColor Red, Silver, Lime;

    Shape(const QString& objectName, Kind kind, int size, QWidget* parent = nullptr);

    void setState(const QColor& c, const QString& words);
    QColor color() const { return m_color; }
    QString stateText() const { return m_state; }
    QSize sizeHint() const override { return {m_size, m_size}; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    Kind m_kind;
    int m_size;
    QColor m_color = Silver;
    QString m_state;
};

} // namespace kliv
