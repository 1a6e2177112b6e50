#include "reportcommands.h"

#include "linecommands.h"
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
    const bool all = cl.isSet(QStringLiteral("all"));
    if (cl.args.size() != (all ? 0 : 1))
        return {QStringLiteral("report OUT.docx [--template FILE] | report --all DIR"), {}};
    const QString out = all ? QString() : cl.args.first();
    if (!all)
        if (const QString why = outputFileProblem(QStringLiteral("report OUT"), out);
            !why.isEmpty())
            return {why, {}};
    QString templatePath = cl.value(QStringLiteral("template"));
    if (cl.isSet(QStringLiteral("template")) && templatePath.trimmed().isEmpty())
        return {QStringLiteral("--template: не указан файл шаблона."), {}};
    if (templatePath.isEmpty())
        templatePath = findTemplate(QCoreApplication::applicationDirPath());
    if (templatePath.isEmpty() || !QFileInfo::exists(templatePath))
        return {msg::templateMissing().text, {}};
    if (all)
        return everyRelay(cl, BatchSaver::Kind::Reports, templatePath);

    return {{}, [out, templatePath](Runner& r) {
                return r.run<SaveProtocolJob>(new SaveProtocolJob, [&r, out, templatePath](
                                                                       SaveProtocolJob& job) {
                    const NumberLocale loc = NumberLocale::system();
                    QString error;
                    auto doc = report::build(templatePath, reportData(job, loc), loc, {}, &error);
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
                            "журнал событий в протокол; --all DIR: протокол каждого реле на "
                            "линии"),
             report,
             QList<QCommandLineOption>{{QStringLiteral("template"),
                                        QStringLiteral("шаблон протокола (.docx)"),
                                        QStringLiteral("FILE")}} +
                 everyRelayOptions(QStringLiteral("протокол")),
             1}};
}

} // namespace kliv::cli
