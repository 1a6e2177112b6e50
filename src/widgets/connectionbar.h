#pragma once

#include <QWidget>

class QComboBox;
class QGridLayout;

namespace kliv {

namespace model {
class Line;
}
class SpinEdit;

// The line's controls, bound to the one line every window shows: the serial number and
// the port list, and where the whole line is shown the speed list and "Повторы:" too.
// What the user sets goes to the line; what the line takes from elsewhere (another bar,
// a speed the engine moved, ports plugged in or pulled out) shows without running the
// controls' handlers again. Each window names the controls as its users know them.
class ConnectionBar : public QWidget {
    Q_OBJECT
  public:
    enum class Extent { SerialAndPort, WholeLine };

    ConnectionBar(model::Line& line, Extent extent, const QString& serialName,
                  const QString& portCaption, QWidget* parent = nullptr);

    // Columns caption, field, caption, field; a window puts its own controls beside.
    QGridLayout* grid() const { return m_grid; }
    // A job keeps the line it started with: the controls that would change it wait.
    void setLineEnabled(bool on);

    SpinEdit* serialField() const { return m_serial; }
    QComboBox* portList() const { return m_ports; }
    QComboBox* speedList() const { return m_speed; }     // WholeLine only
    SpinEdit* retriesField() const { return m_retries; } // WholeLine only

  private:
    void addSpeedAndRetries();
    void showPorts();
    void bind();

    model::Line& m_line;
    QGridLayout* m_grid;
    SpinEdit* m_serial;
    QComboBox* m_ports;
    QComboBox* m_speed = nullptr;
    SpinEdit* m_retries = nullptr;
};

} // namespace kliv
