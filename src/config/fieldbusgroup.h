#pragma once

#include <QGroupBox>

namespace kliv {

class Engine;
class Prompt;

// The relay's RS485 port: speed, protocol, address and the two frame times. The
// speed's list carries its own items: the same eleven speeds as the tool's port list,
// index for index, but padded as the relay's settings have always shown them.
class FieldbusGroup : public QGroupBox {
    Q_OBJECT
  public:
    FieldbusGroup(Engine& engine, Prompt& prompt, QWidget* parent = nullptr);

  private:
    // cb_rs485: a speed the user picked moves the relay's RS485 port to it, once confirmed.
    void changeRs485Speed(int index);

    Engine& m_engine;
    Prompt& m_prompt;
};

} // namespace kliv
