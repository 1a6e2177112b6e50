#pragma once

#include "texts/messages.h"

#include <QString>

class QWidget;

namespace kliv {

// Every box of the tool goes through this, so tests answer boxes without a screen.
class Prompt {
  public:
    virtual ~Prompt() = default;
    // An information or error box; `detail` (may be empty) adds a plain explanation.
    virtual void show(const Message& m, const QString& detail = {}) = 0;
    // A question with Yes and No, No preselected; true only for Yes.
    virtual bool ask(const QString& caption, const QString& text) = 0;
};

// The real boxes (QMessageBox), modal over `parent`.
class BoxPrompt : public Prompt {
  public:
    explicit BoxPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    void show(const Message& m, const QString& detail = {}) override;
    bool ask(const QString& caption, const QString& text) override;

  private:
    QWidget* m_parent;
};

} // namespace kliv
