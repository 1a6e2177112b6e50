#pragma once

#include <QMetaObject>
#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QPushButton;
class QTableView;

namespace kliv {

class Engine;
class Prompt;
class TrafficModel;

// "Обмен": every frame sent and received, newest at the bottom, with what became of it,
// counters of each verdict, pause, clear and "Сохранить…" as plain text. It listens to the
// engine only while it is shown, so a closed monitor costs the line nothing.
class TrafficWindow : public QWidget {
    Q_OBJECT
  public:
    using FileAsker = std::function<QString(const QString& suggestedName)>;

    TrafficWindow(Engine& engine, Prompt& prompt, QWidget* parent = nullptr);

    TrafficModel& model() const { return *m_model; }
    void setSaveFileAsker(FileAsker asker) { m_askSaveFile = std::move(asker); }
    bool save(const QString& path); // false after a box saying why

  protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

  private:
    void togglePause();
    void showCounts();

    Engine& m_engine;
    Prompt& m_prompt;
    TrafficModel* m_model;
    QTableView* m_view;
    QPushButton* m_pause;
    std::array<QLabel*, 6> m_counts{};
    FileAsker m_askSaveFile;
    QMetaObject::Connection m_listening;
};

} // namespace kliv
