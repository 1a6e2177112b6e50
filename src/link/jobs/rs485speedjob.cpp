#include "link/jobs/rs485speedjob.h"

#include "link/engine.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"

#include <array>

namespace kliv {

namespace {

// A relay that moves its line at once announces it with a one-byte presence reply.
constexpr int FollowingPresenceLength = 1;

int byIndex(const std::array<int, 6>& slow, int index) {
    return index >= 0 && index < int(slow.size()) ? slow[std::size_t(index)] : slow.back();
}

} // namespace

Rs485SpeedJob::Rs485SpeedJob(int speedIndex) : m_speedIndex(speedIndex) {
    connect(&m_timer, &QTimer::timeout, this, &Rs485SpeedJob::onTick);
}

int Rs485SpeedJob::firstIntervalMs(int lineSpeedIndex) {
    return byIndex({800, 400, 200, 100, 50, 50}, lineSpeedIndex);
}

int Rs485SpeedJob::nextIntervalMs(int lineSpeedIndex) {
    return byIndex({900, 500, 300, 200, 100, 50}, lineSpeedIndex);
}

QList<Problem> Rs485SpeedJob::refusal() const {
    if (m_speedIndex < 0 || m_speedIndex >= speeds::Count)
        return {{QString::fromLatin1(Problem::SpeedKey),
                 Problem::Rule::Speed,
                 double(m_speedIndex),
                 0,
                 speeds::Count - 1,
                 {}}};
    return {};
}

std::optional<RelayChange> Rs485SpeedJob::change() const {
    RelayChange c;
    c.speedIndex = m_speedIndex;
    return c;
}

void Rs485SpeedJob::begin() {
    m_step = Step::Probing;
    m_timer.start(firstIntervalMs(engine().speedIndex()));
    probe();
}

void Rs485SpeedJob::probe() {
    send({KindPresence, {}, Watch::Job});
}

bool Rs485SpeedJob::accepts(const QByteArray& frame) const {
    return frame::payloadLength(frame) != 0;
}

// The step clock decides what a late or missing answer means.
void Rs485SpeedJob::onReply(const QByteArray& frame) {
    if (m_step == Step::Probing) {
        m_presenceLength = frame::payloadLength(frame);
        m_step = Step::Answered;
    } else if (m_step == Step::AwaitingAnswer) {
        m_step = Step::Changed;
    }
}

void Rs485SpeedJob::onTick() {
    if (!running())
        return;
    replyTimeUp();
    switch (m_step) {
    case Step::Probing:
    case Step::AwaitingAnswer:
        fail(Failure::NoAnswer);
        return;
    case Step::Changed:
        succeed();
        return;
    case Step::Follow:
        m_step = Step::AwaitingAnswer;
        m_followed = true;
        engine().applySpeed(m_speedIndex);
        probe();
        break;
    case Step::Answered:
        m_step = m_presenceLength == FollowingPresenceLength ? Step::Follow : Step::AwaitingAnswer;
        send({KindPresence, QByteArray(1, char(m_speedIndex)), Watch::Job});
        break;
    }
    m_timer.setInterval(nextIntervalMs(engine().speedIndex()));
}

void Rs485SpeedJob::onEnd() {
    m_timer.stop();
}

} // namespace kliv
