#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace kliv {

class SpinEdit;

// The device search dialog: serial number, port, start/stop and the progress of the
// probes at each line speed.
class SearchDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int ProgressSteps = 34;

    explicit SearchDialog(QWidget* parent = nullptr);

    // The ports found at start; the first one is selected.
    void setPorts(const QStringList& ports);

    SpinEdit* serial() const { return m_serial; }
    QComboBox* ports() const { return m_ports; }
    QPushButton* startButton() const { return m_start; }
    QProgressBar* progress() const { return m_progress; }
    QLabel* status() const { return m_status; }

  private:
    SpinEdit* m_serial;
    QComboBox* m_ports;
    QPushButton* m_start;
    QProgressBar* m_progress;
    QLabel* m_status;
};

} // namespace kliv
