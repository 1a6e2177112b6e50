#pragma once

#include "texts/messages.h"

#include <QString>
#include <memory>

class QMessageBox;
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

// The real boxes (QMessageBox), modal over `parent`. Their texts are plain text, whatever
// they hold (a key from a file may read "<h1>…</h1>"), and a box never grows taller than
// the screen: a long list shows its first lines and how many more there are.
class BoxPrompt : public Prompt {
  public:
    explicit BoxPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    void show(const Message& m, const QString& detail = {}) override;
    bool ask(const QString& caption, const QString& text) override;

    // The box show() runs, not yet shown.
    static std::unique_ptr<QMessageBox> box(const Message& m, const QString& detail,
                                            QWidget* parent = nullptr);

  private:
    QWidget* m_parent;
};

} // namespace kliv
