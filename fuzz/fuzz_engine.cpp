// Every kind of job on the engine, fed arbitrary replies in arbitrary pieces, with the
// reply time-out, the poll watchdog, the idle close and the jobs' own clocks ticking at
// arbitrary moments, the line vanishing and new jobs replacing old ones. No reply may crash
// a job or a decoder; every job ends once; an engine without a job holds no line and no
// timer; what a job delivers as its result is what the relay can have sent.
#include "bytereader.h"
#include "coreapp.h"
#include "fuzzport.h"

#include "link/engine.h"
#include "link/jobs/accountingreadjob.h"
#include "link/jobs/accountingresetjob.h"
#include "link/jobs/calibrationjob.h"
#include "link/jobs/clocksetjob.h"
#include "link/jobs/configreadjob.h"
#include "link/jobs/configwritejob.h"
#include "link/jobs/eventlogjob.h"
#include "link/jobs/linescanjob.h"
#include "link/jobs/livestatusjob.h"
#include "link/jobs/overviewjob.h"
#include "link/jobs/polljob.h"
#include "link/jobs/protectionresetjob.h"
#include "link/jobs/rawjob.h"
#include "link/jobs/rs485speedjob.h"
#include "link/jobs/saveprotocoljob.h"
#include "link/jobs/searchjob.h"
#include "link/jobs/versionjob.h"
#include "protocol/accounting.h"
#include "protocol/eventlog.h"
#include "protocol/frame.h"
#include "protocol/waveform.h"
#include "texts/accountingtexts.h"
#include "texts/configtexts.h"
#include "texts/eventtexts.h"
#include "texts/messages.h"
#include "texts/statustext.h"

#include <QCoreApplication>
#include <QPointer>
#include <array>
#include <cstdlib>
#include <memory>

using namespace kliv;
using kliv::fuzz::ByteReader;
using kliv::fuzz::FuzzPort;

namespace {

void require(bool ok) {
    if (!ok)
        std::abort();
}

const NumberLocale Loc{};

// Payload lengths the decoders care about: none, a selector, the version text, the
// accounting record, a calibration measurement and write reply, the live record, the
// configuration block and write, a waveform block, an event block, the longest reply.
constexpr std::array<int, 13> Lengths = {0, 1, 16, 19, 22, 16, 53, 78, 79, 201, 241, 247, 2};

void checkEvents(const QList<EventRow>& rows) {
    for (const EventRow& r : rows)
        require(r.position >= 1 && r.position <= eventlog::LogSize && eventlog::isValid(r.record));
    const QList<EventTexts> texts = eventlog::texts(rows, Loc);
    require(texts.size() == rows.size());
    eventlog::csv(texts);
    eventlog::json(rows);
}

void checkConfiguration(const Configuration& c) {
    config::problems(c);
    const Configuration page = config::forPage(c);
    for (const config::Field& f : config::fields())
        config::valueText(page, f, Loc);
}

// A few serial numbers of a line, the engine's own often among them.
QList<int> lineOf(ByteReader& in, int own) {
    QList<int> serials;
    for (int n = in.u8() % 5; n > 0; --n)
        serials.append(in.flag() ? own : frame::SerialMin + in.u8() % 8);
    return serials;
}

// One job of each kind, as its front end would start it, some with refused input.
Job* makeJob(ByteReader& in, int own) {
    switch (in.u8() % 17) {
    case 0:
        return new VersionJob;
    case 1:
        return new PollJob(in.u8() % 4);
    case 2:
        return new LiveStatusJob;
    case 3:
        return new ConfigReadJob;
    case 4: {
        Configuration c;
        c.tipo_text = QString::fromLatin1(in.bytes(in.u8() % 20));
        c.z_umax_v = 100 + in.u16() % 7000;
        return new ConfigWriteJob(c);
    }
    case 5: {
        calibration::References refs{};
        const quint8 which = in.u8();
        for (int c = 0; c < calibration::ChannelCount; ++c)
            if (which & (1 << c))
                refs[std::size_t(c)] = double(in.u16()) / 16.0;
        std::optional<calibration::Coefficients> kept;
        if (which & 0x80) {
            kept.emplace();
            for (int& k : *kept)
                k = int(in.u16()) - (in.flag() ? 1 : 0);
        }
        return new CalibrationJob(refs, kept);
    }
    case 6:
        return new Rs485SpeedJob(int(in.u8() % 13) - 1);
    case 7:
        return new SearchJob;
    case 8:
        return new EventLogJob;
    case 9:
        return new AccountingReadJob;
    case 10:
        return new AccountingResetJob;
    case 11:
        return new SaveProtocolJob;
    case 12: {
        const quint8 kind = in.u8();
        return new RawJob(kind, in.bytes(in.u8() % 90));
    }
    case 13: {
        const int calibration = in.u8() % 63 - 31;
        const bool stop = in.flag();
        return new ClockSetJob(calibration, stop, in.flag());
    }
    case 14:
        return new LineScanJob(lineOf(in, own));
    case 15:
        return new OverviewJob(lineOf(in, own));
    default:
        return new ProtectionResetJob;
    }
}

class Run {
  public:
    explicit Run(ByteReader& in) : m_in(in), m_port(new FuzzPort), m_engine(m_port) {
        m_engine.setPortName(QStringLiteral("fuzz"));
        QObject::connect(&m_engine, &Engine::jobEnded, [this](Job* job) {
            // The engine closes the line and stops its clocks before it tells anyone.
            require(!job->running() && m_engine.current() != job);
            require(!m_port->isOpen() && !m_engine.awaitingReply());
        });
        // Every outcome can be put into words, and it is the job's own.
        QObject::connect(&m_engine, &Engine::jobFailed, [](Job* job, const Outcome& outcome) {
            require(outcome.task == job->task() && outcome == job->outcome());
            msg::forFailure(outcome);
        });
    }

    void play() {
        start();
        while (!m_in.empty()) {
            step(m_in.u8());
            checkIdle();
        }
    }

    // A job still running when its engine goes away is not ended; every other one ended
    // exactly once.
    ~Run() {
        for (const Tracked& t : m_jobs)
            require(*t.endings == 1 || (*t.endings == 0 && t.job && t.job == m_engine.current()));
    }

  private:
    struct Tracked {
        QPointer<Job> job;
        std::shared_ptr<int> endings;
    };

    void start() {
        Job* job = makeJob(m_in, m_engine.serial());
        auto endings = std::make_shared<int>(0);
        QObject::connect(job, &Job::succeeded, [endings] { ++*endings; });
        QObject::connect(job, &Job::failed, [endings] { ++*endings; });
        watchResult(job);
        m_jobs.append({job, endings});
        m_engine.start(job);
    }

    // What a job delivers has to be something its decoders can show.
    void watchResult(Job* job) {
        if (auto* j = qobject_cast<PollJob*>(job)) {
            QObject::connect(j, &PollJob::liveStatus,
                             [](const LiveStatus& s) { status::texts(s, Loc); });
            QObject::connect(j, &PollJob::waveformReady,
                             [](const WaveformStore& s) { waveform::series(s); });
        } else if (auto* j = qobject_cast<VersionJob*>(job)) {
            QObject::connect(j, &Job::succeeded,
                             [j] { require(j->text().size() <= VersionJob::TextSize); });
        } else if (auto* j = qobject_cast<ConfigReadJob*>(job)) {
            QObject::connect(j, &Job::succeeded, [j] {
                require(j->block().size() == config::BlockSize);
                checkConfiguration(j->configuration());
            });
        } else if (auto* j = qobject_cast<ConfigWriteJob*>(job)) {
            // A write is reported done only when the relay holds what was sent.
            QObject::connect(j, &Job::succeeded, [j] {
                require(j->step() == ConfigWriteJob::Step::ReadingBack &&
                        j->differences().isEmpty());
            });
        } else if (auto* j = qobject_cast<EventLogJob*>(job)) {
            QObject::connect(j, &Job::succeeded, [j] { checkEvents(j->rows()); });
        } else if (auto* j = qobject_cast<SaveProtocolJob*>(job)) {
            QObject::connect(j, &Job::succeeded, [j] {
                checkEvents(j->events());
                checkConfiguration(j->configuration());
                accounting::texts(j->accounting(), Loc);
            });
        } else if (auto* j = qobject_cast<AccountingReadJob*>(job)) {
            QObject::connect(j, &Job::succeeded, [j] {
                accounting::texts(j->record(), Loc);
                accounting::json(j->record());
            });
        } else if (auto* j = qobject_cast<AccountingResetJob*>(job)) {
            QObject::connect(j, &Job::succeeded, [j] { accounting::texts(j->record(), Loc); });
        } else if (auto* j = qobject_cast<CalibrationJob*>(job)) {
            QObject::connect(j, &Job::succeeded, [j] {
                for (int k : j->result().coefficients)
                    require(k >= 0 && k <= calibration::MaxCoefficient);
            });
        } else if (auto* j = qobject_cast<RawJob*>(job)) {
            QObject::connect(j, &Job::succeeded, [j] { require(frame::check(j->reply())); });
        } else if (auto* j = qobject_cast<LineScanJob*>(job)) {
            // A relay is listed once, under the number it answered with.
            QObject::connect(j, &LineScanJob::relaysChanged, [j] {
                QList<int> seen;
                for (const LineScanJob::Relay& r : j->relays()) {
                    require(!seen.contains(r.serial) && r.version.size() <= VersionJob::TextSize);
                    seen.append(r.serial);
                }
            });
        } else if (auto* j = qobject_cast<OverviewJob*>(job)) {
            // Whatever is said is said of the relay being asked.
            QObject::connect(j, &OverviewJob::answered, [j](int serial, const LiveStatus& s) {
                require(serial == j->asking());
                status::texts(s, Loc);
            });
            QObject::connect(j, &OverviewJob::silent,
                             [j](int serial) { require(serial == j->asking()); });
        }
    }

    void step(quint8 op) {
        switch (op % 16) {
        case 0:
        case 1:
        case 2:
        case 3:
            deliver(answer());
            break;
        case 4:
            m_port->push(m_in.bytes(m_in.u8() % 64 + 1));
            break;
        case 5: {
            const quint8 kind = m_in.u8();
            const quint16 serial = m_in.flag() ? m_in.u16() : quint16(m_engine.serial());
            deliver(
                frame::build(serial, kind, m_in.bytes(m_in.u8() % (frame::MaxReplyPayload + 1))));
            break;
        }
        case 6:
            m_engine.onReplyTimeout();
            break;
        case 7:
            m_engine.onWatchdogTick();
            break;
        case 8:
            m_engine.onIdleClose();
            break;
        case 9:
            tick();
            break;
        case 10:
            start();
            break;
        case 11:
            m_port->vanish();
            break;
        case 12:
            engineOp(m_in.u8());
            break;
        case 13:
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            break;
        case 14: // a good frame and more bytes in one notification
            m_port->push(answer() + m_in.bytes(m_in.u8() % 32));
            break;
        default:
            m_port->failNextOpen = true;
            break;
        }
    }

    // A reply to the request in flight: its kind and serial number, a payload of a length
    // some decoder expects, often starting like the request's own (selector, block index,
    // sub-mode), the rest from the input.
    QByteArray answer() {
        const QByteArray& request = m_port->lastWritten;
        const quint8 shape = m_in.u8();
        const int length = shape & 0x40 ? m_in.u8() % (frame::MaxReplyPayload + 1)
                                        : Lengths[std::size_t((shape & 0x3F) % Lengths.size())];
        QByteArray payload;
        if ((shape & 0x80) && request.size() > frame::Overhead && length > 0)
            payload.append(request.at(frame::HeaderSize));
        payload.append(m_in.bytes(std::size_t(length - payload.size())));
        payload.append(QByteArray(length - payload.size(), '\0'));
        const bool whole = request.size() >= frame::Overhead;
        const quint8 kind = whole ? frame::kindOf(request) : 0;
        // The serial number asked: a line's jobs ask others than the engine's own.
        const quint16 serial =
            whole ? quint16(quint8(request.at(2)) << 8 | quint8(request.at(3))) : m_engine.serial();
        return frame::build(serial, kind, payload);
    }

    // The bytes in pieces of a size the input chooses.
    void deliver(const QByteArray& bytes) {
        const int piece = m_in.u8() % 64;
        if (piece == 0) {
            m_port->push(bytes);
            return;
        }
        for (qsizetype at = 0; at < bytes.size(); at += piece)
            m_port->push(bytes.mid(at, piece));
    }

    void tick() {
        Job* job = m_engine.current();
        if (auto* search = qobject_cast<SearchJob*>(job))
            search->onTick();
        else if (auto* rs485 = qobject_cast<Rs485SpeedJob*>(job))
            rs485->onTick();
        else if (auto* scan = qobject_cast<LineScanJob*>(job))
            scan->onTick();
        else if (auto* overview = qobject_cast<OverviewJob*>(job);
                 overview && overview->pause().isActive())
            overview->onPause(); // its clock runs only between rounds
        else if (m_engine.holdTimer().isActive())
            m_engine.onHoldEnd();
    }

    void engineOp(quint8 op) {
        switch (op % 10) {
        case 0:
            m_engine.cancel();
            break;
        case 1:
            m_engine.stopPoll();
            break;
        case 2:
            m_engine.setSpeedIndex(int(m_in.u8() % 13) - 1);
            break;
        case 3:
            m_engine.applySpeed(int(m_in.u8() % 13) - 1);
            break;
        case 4:
            m_engine.setSerial(m_in.u16());
            break;
        case 5:
            if (auto* search = qobject_cast<SearchJob*>(m_engine.current()))
                search->stop();
            else if (auto* scan = qobject_cast<LineScanJob*>(m_engine.current()))
                scan->stop();
            break;
        case 6:
            if (auto* poll = qobject_cast<PollJob*>(m_engine.current()))
                poll->setView(m_in.u8() % 4);
            break;
        case 7:
            m_engine.timeUp();
            break;
        case 8:
            m_engine.setRetries(int(m_in.u8() % 12) - 1);
            break;
        default:
            m_engine.setPortName(m_in.flag() ? QString() : QStringLiteral("fuzz"));
            break;
        }
    }

    // Without a job the engine keeps nothing going that could act later.
    void checkIdle() {
        if (m_engine.current())
            return;
        require(!m_port->isOpen() && !m_engine.awaitingReply());
        require(!m_engine.replyTimer().isActive() && !m_engine.watchdog().isActive() &&
                !m_engine.idleClose().isActive() && !m_engine.holdTimer().isActive());
    }

    ByteReader& m_in;
    FuzzPort* m_port; // owned by the engine
    Engine m_engine;
    QList<Tracked> m_jobs;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    {
        Run run(in);
        run.play();
    }
    // Whatever the run left queued (the ended jobs' deletion above all) goes now, or the
    // queue would grow from run to run.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
