#include "reportcommands.h"

#include "outputfile.h"

#include "link/jobs/saveprotocoljob.h"
#include "report/document.h"
#include "report/protocolreport.h"
#include "report/templatepath.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace kliv::cli {

namespace {

// Reading a relay for a report that cannot be written helps nobody: the template is
// looked for before anything is sent.
Prepared report(const CommandLine& cl) {
    if (cl.args.size() != 1)
        return {QStringLiteral("report OUT.docx [--template FILE]"), {}};
    const QString out = cl.args.first();
    if (const QString why = outputFileProblem(QStringLiteral("report OUT"), out); !why.isEmpty())
        return {why, {}};
    QString templatePath = cl.value(QStringLiteral("template"));
    if (cl.isSet(QStringLiteral("template")) && templatePath.trimmed().isEmpty())
        return {QStringLiteral("--template: не указан файл шаблона."), {}};
    if (templatePath.isEmpty())
        templatePath = findTemplate(QCoreApplication::applicationDirPath());
    if (templatePath.isEmpty() || !QFileInfo::exists(templatePath))
        return {msg::templateMissing().text, {}};

    return {{}, [out, templatePath](Runner& r) {
                return r.run<SaveProtocolJob>(new SaveProtocolJob, [&r, out, templatePath](
                                                                       SaveProtocolJob& job) {
                    const NumberLocale loc = NumberLocale::system();
                    ReportData data;
                    data.serial = job.serial();
                    data.events = eventlog::texts(job.events(), loc);
                    data.configuration = job.configuration();
                    data.accounting = accounting::texts(job.accounting(), loc);
                    QString error;
                    auto doc = report::build(templatePath, data, loc, {}, &error);
                    if (!doc || !doc->saveAs(out)) {
                        r.fail(NoAnswer, msg::reportNotSaved(), doc ? doc->errorString() : error);
                        return;
                    }
                    r.printBox(msg::reportSaved());
                });
            }};
}

} // namespace

QList<Command> reportCommands() {
    return {{QStringLiteral("report"),
             QStringLiteral("OUT.docx [--template FILE]: конфигурация, учетная запись и "
                            "журнал событий в протокол"),
             report, 1}};
}

QList<QCommandLineOption> reportOptions() {
    return {{QStringLiteral("template"), QStringLiteral("report: шаблон протокола (.docx)"),
             QStringLiteral("FILE")}};
}

} // namespace kliv::cli
