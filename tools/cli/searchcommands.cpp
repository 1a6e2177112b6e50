#include "searchcommands.h"

#include "link/jobs/searchjob.h"
#include "protocol/speeds.h"

namespace kliv::cli {

namespace {

// Probes as the search window does and prints its progress line as it changes; a
// script gets only the speed found.
Prepared search(const CommandLine& cl) {
    if (cl.isSet(QStringLiteral("baud")))
        return {QStringLiteral("search перебирает все скорости сам; --baud не указывается."), {}};
    return {{}, [](Runner& r) {
                auto* job = new SearchJob;
                if (!r.json())
                    QObject::connect(job, &SearchJob::probing, &r, [&r](int speedIndex, int probe) {
                        r.print(msg::searchStatus(speedIndex, probe));
                    });
                return r.run<SearchJob>(job, [&r](SearchJob& found) {
                    const int index = found.speedIndex();
                    if (r.json())
                        r.printJson({{QStringLiteral("baud"), speeds::Baud[std::size_t(index)]}});
                    else
                        r.print(msg::searchFoundAt(index));
                });
            }};
}

} // namespace

QList<Command> searchCommands() {
    return {
        {QStringLiteral("search"),
         QStringLiteral("поиск устройства с заводским номером --serial на всех скоростях"), search},
    };
}

} // namespace kliv::cli
