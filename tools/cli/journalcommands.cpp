#include "journalcommands.h"

#include "files/wholefile.h"
#include "link/jobs/accountingreadjob.h"
#include "link/jobs/accountingresetjob.h"
#include "link/jobs/eventlogjob.h"
#include "options.h"
#include "outputfile.h"
#include "protocol/accounting.h"
#include "protocol/eventlog.h"
#include "texts/accountingtexts.h"
#include "texts/eventtexts.h"
#include "texts/numfmt.h"

#include <QDir>
#include <QJsonDocument>
#include <QTextStream>

namespace kliv::cli {

namespace {

const QString CsvOption = QStringLiteral("csv");

// The page's grid as text: the headers, then a line a row, the columns aligned.
QString gridText(const QList<EventTexts>& rows) {
    QList<QStringList> lines = {eventlog::headers()};
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QStringList line = {QString::number(r + 1)};
        for (const QString& text : rows[r])
            line.append(text);
        lines.append(line);
    }
    QList<qsizetype> widths(lines.first().size(), 0);
    for (const QStringList& line : lines)
        for (qsizetype c = 0; c < line.size(); ++c)
            widths[c] = qMax(widths[c], line[c].size());
    QStringList out;
    for (const QStringList& line : lines) {
        QString text;
        for (qsizetype c = 0; c < line.size(); ++c)
            text += line[c].leftJustified(widths[c] + 2);
        out.append(text.trimmed());
    }
    return out.join(QLatin1Char('\n'));
}

// The five fields as the page labels them.
QString accountingText(const AccountingRecord& record) {
    const AccountingTexts t = accounting::texts(record, NumberLocale::system());
    QStringList l;
    const auto add = [&l](const QString& label, const QString& value) {
        l.append(label.leftJustified(26) + value);
    };
    add(QStringLiteral("Начало учета:"), t.start);
    add(QStringLiteral("Наработка об., (ч:м:с):"), t.running);
    add(QStringLiteral("К-во включений оборуд.:"), t.switchOns);
    add(QStringLiteral("К-во сработан. защит:"), t.trips);
    add(QStringLiteral("Wа:"), t.energy + QStringLiteral(" кВтч"));
    return l.join(QLatin1Char('\n'));
}

// Text as it stands, without a line end of its own: the CSV brings its own.
void write(const QString& text) {
    QTextStream out(stdout);
    out << text;
}

void printRecord(Runner& r, const AccountingRecord& record, const Message& box) {
    if (r.json()) {
        r.printJson(accounting::json(record));
        return;
    }
    r.print(accountingText(record));
    r.print(box.text);
}

// The CSV goes to standard output (--csv -) or, with the window's words, to a file.
Prepared events(const CommandLine& cl) {
    const bool csv = cl.isSet(CsvOption);
    const QString file = csv ? cl.value(CsvOption) : QString();
    const bool toStdout = csv && file == option::Stdout;
    if (toStdout && cl.isSet(QStringLiteral("json")))
        return {QStringLiteral("events: --csv или --json, не оба."), {}};
    if (csv && !toStdout)
        if (const QString why = outputFileProblem(QStringLiteral("--csv"), file); !why.isEmpty())
            return {why, {}};
    return {{}, [csv, toStdout, file](Runner& r) {
                return r.run<EventLogJob>(
                    new EventLogJob, [&r, csv, toStdout, file](EventLogJob& job) {
                        const NumberLocale loc = NumberLocale::system();
                        if (toStdout) {
                            write(eventlog::csv(eventlog::texts(job.rows(), loc)));
                        } else if (csv) {
                            const QString shown = QDir::toNativeSeparators(file);
                            if (const QString why = files::writeWhole(
                                    file, eventlog::csv(eventlog::texts(job.rows(), loc)).toUtf8());
                                !why.isEmpty())
                                r.fail(NoAnswer, msg::csvNotSaved(shown), why);
                            else
                                r.printBox(msg::csvSaved(shown));
                        } else if (r.json()) {
                            write(QString::fromUtf8(QJsonDocument(eventlog::json(job.rows()))
                                                        .toJson(QJsonDocument::Compact)) +
                                  QLatin1Char('\n'));
                        } else {
                            r.print(gridText(eventlog::texts(job.rows(), loc)));
                            r.print(msg::protocolRead().text);
                        }
                    });
            }};
}

Prepared accountingRead(const CommandLine&) {
    return {{}, [](Runner& r) {
                return r.run<AccountingReadJob>(
                    new AccountingReadJob, [&r](AccountingReadJob& job) {
                        printRecord(r, job.record(), msg::accountingRead());
                    });
            }};
}

Prepared accountingReset(const CommandLine& cl) {
    if (!cl.isSet(QStringLiteral("yes")))
        return {QStringLiteral("Внимание учетная запись будет обнулена! Подтвердите обнуление "
                               "параметром --yes."),
                {}};
    return {{}, [](Runner& r) {
                return r.run<AccountingResetJob>(
                    new AccountingResetJob, [&r](AccountingResetJob& job) {
                        printRecord(r, job.record(), msg::accountingReset());
                    });
            }};
}

} // namespace

QList<Command> journalCommands() {
    return {
        {QStringLiteral("events"),
         QStringLiteral("протокол событий по времени: таблица, --csv [FILE] или --json"),
         events,
         {option::csv(QStringLiteral("в CSV, UTF-8, поля через ;, в файл FILE (- или без "
                                     "файла: в стандартный вывод)"))}},
        {QStringLiteral("accounting"), QStringLiteral("учетная запись"), accountingRead},
        {QStringLiteral("accounting-reset"),
         QStringLiteral("обнуление учетной записи, только с --yes"),
         accountingReset,
         {option::yes()}},
    };
}

} // namespace kliv::cli
