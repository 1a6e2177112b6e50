#include "options.h"

#include "commands.h"
#include "link/engine.h"
#include "protocol/frame.h"

namespace kliv::cli::option {

QList<QCommandLineOption> line() {
    return {
        {QStringLiteral("port"), QStringLiteral("последовательный порт"), QStringLiteral("PATH")},
        {QStringLiteral("serial"), QStringLiteral("заводской номер 100..65535 (600)"),
         QStringLiteral("N"), QString::number(frame::SerialDefault)},
        {QStringLiteral("baud"), QStringLiteral("скорость, бод"), QStringLiteral("N")},
        {QStringLiteral("retries"),
         QStringLiteral("повторов запроса, оставшегося без ответа, 0..%1 (%2)")
             .arg(Engine::MaxRetries)
             .arg(Engine::DefaultRetries),
         QStringLiteral("N"), QString::number(Engine::DefaultRetries)},
        {QStringLiteral("trace"), QStringLiteral("кадры обмена в файл, как их показывает «Обмен»"),
         QStringLiteral("FILE")},
        json(),
    };
}

QCommandLineOption json() {
    return {QStringLiteral("json"), QStringLiteral("вывод в JSON")};
}

QCommandLineOption yes() {
    return {QStringLiteral("yes"), QStringLiteral("подтверждение команды, изменяющей данные реле")};
}

QCommandLineOption csv(const QString& description) {
    return {QStringLiteral("csv"), description, QStringLiteral("FILE")};
}

QStringList csvWithoutFile(QStringList words) {
    const QString bare = QStringLiteral("--csv");
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (words.at(i) == QLatin1String("--"))
            break; // arguments from here on, whatever they look like
        const QString next = words.value(i + 1);
        if (words.at(i) == bare &&
            (i + 1 == words.size() || (next.startsWith(u'-') && next != Stdout)))
            words[i] = bare + u'=' + Stdout;
    }
    return words;
}

QString serialProblem(const QString& text, int* out) {
    if (parseInt(text, frame::SerialMin, frame::SerialMax, out))
        return {};
    return QStringLiteral("Заводской номер должен быть от 100 до 65535.");
}

} // namespace kliv::cli::option
