#pragma once

#include "widgets/prompt.h"

#include <QList>
#include <QString>

namespace kliv::test {

// Records every box and answers questions from a queue (No when the queue is empty).
class RecordingPrompt : public Prompt {
  public:
    struct Shown {
        Message message;
        QString detail;
    };
    QList<Shown> shown;
    QList<QString> asked;
    QList<bool> answers;

    void show(const Message& m, const QString& detail = {}) override { shown.append({m, detail}); }
    bool ask(const QString& caption, const QString& text) override {
        asked.append(caption + QLatin1Char('|') + text);
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().message.text; }
};

} // namespace kliv::test
