#pragma once

#include <QColor>
#include <QWidget>

namespace kliv {

// A coloured indicator: a round square, optionally with a circle centred inside it.
class Shape : public QWidget {
    Q_OBJECT
  public:
    enum Kind { RoundSquare, Circle };
    static const QColor Red, Silver, Lime;

    Shape(const QString& objectName, Kind kind, int size, QWidget* parent = nullptr);

    void setColor(const QColor& c);
    QColor color() const { return m_color; }
    QSize sizeHint() const override { return {m_size, m_size}; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    Kind m_kind;
    int m_size;
    QColor m_color = Silver;
};

} // namespace kliv
