#include "invocation.h"

#include <QCoreApplication>
#include <QSet>

namespace kliv::cli {

namespace {

const Command* named(const QString& name) {
    for (const Command& c : commands())
        if (c.name == name)
            return &c;
    return nullptr;
}

// Every option of any command that is followed by its value: the word after it is no
// command's name.
QSet<QString> takingValues() {
    QSet<QString> names;
    for (const Command& c : commands())
        for (const QCommandLineOption& o : c.allOptions())
            if (!o.valueName().isEmpty())
                for (const QString& n : o.names())
                    names.insert(n);
    return names;
}

} // namespace

Invocation invocation(const QStringList& arguments) {
    static const QSet<QString> valued = takingValues();
    qsizetype at = 1;
    for (; at < arguments.size(); ++at) {
        const QString& w = arguments.at(at);
        if (w == QLatin1String("--")) {
            ++at; // the command's parser still sees it, and takes what follows as arguments
            break;
        }
        if (!w.startsWith(u'-') || w == QLatin1String("-"))
            break;
        const QString name = w.mid(w.startsWith(QLatin1String("--")) ? 2 : 1);
        if (!name.contains(u'=') && valued.contains(name))
            ++at;
    }
    if (at >= arguments.size())
        return {nullptr, {}, arguments};
    const QString word = arguments.at(at);
    qsizetype taken = 1;
    const Command* command = nullptr;
    if (at + 1 < arguments.size() && (command = named(word + u' ' + arguments.at(at + 1))))
        taken = 2;
    else
        command = named(word);
    return {command, word, arguments.mid(0, at) + arguments.mid(at + taken)};
}

QString unknownOption(const Command& command, const QCommandLineParser& parser) {
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty())
        return {};
    const QString& name = unknown.first();
    return QStringLiteral("%1: неизвестный параметр %2%3")
        .arg(command.name, name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name);
}

QString commandHelp(const Command& command, const QCommandLineParser& parser) {
    QString text = parser.helpText();
    // Qt's usage line names the program as it was started.
    const QString program = QCoreApplication::arguments().constFirst();
    const qsizetype at = text.indexOf(program);
    if (at >= 0 && at < text.indexOf(u'\n'))
        text.insert(at + program.size(), u' ' + command.name);
    return text;
}

} // namespace kliv::cli
