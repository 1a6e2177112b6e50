#pragma once

#include <QMainWindow>

class QTabWidget;

namespace kliv {

class ConfigPage;
class DiagnosticsPage;
class Engine;
class Prompt;
class ProtocolPage;
class TForm2;
class TForm3;

// The main window: the three pages, the start-up selections, and the boxes that any
// job of the engine may raise. It owns the search and characteristic windows.
class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    TForm1(Engine& engine, Prompt& prompt, QWidget* parent = nullptr);

    static QString title();

    // The ports found at start, for both port lists; the first is selected.
    void setPorts(const QStringList& ports);

    QTabWidget* pages() const { return m_pages; }
    ConfigPage* configPage() const { return m_config; }
    DiagnosticsPage* diagnosticsPage() const { return m_diagnostics; }
    ProtocolPage* protocolPage() const { return m_protocol; }
    TForm2& form2() const { return *m_form2; }
    TForm3& form3() const { return *m_form3; }

    // "График ВТЗ": fills the characteristic window from the page and shows it modally.
    void Button9Click();

  protected:
    void closeEvent(QCloseEvent* e) override; // FormClose

  private:
    void FormCreate();
    void PageControl1Change();
    void bindEngine();
    void linkSearchWindow();

    Engine& m_engine;
    Prompt& m_prompt;
    QTabWidget* m_pages;
    ConfigPage* m_config;
    DiagnosticsPage* m_diagnostics;
    ProtocolPage* m_protocol;
    TForm2* m_form2 = nullptr;
    TForm3* m_form3 = nullptr;
};

} // namespace kliv
