#include "configstore.h"

#include "simlog.h"

#include "protocol/calibration.h"
#include "protocol/frame.h"

namespace kliv::sim {

namespace {

constexpr int CoefficientBytes = calibration::WritePayloadSize - 1;

} // namespace

ConfigStore::ConfigStore(const QByteArray& block, QList<FaultRule> misstores)
    : m_block(block.isEmpty() ? config::encode(Configuration{}) : block),
      m_misstores(std::move(misstores)) {
    Q_ASSERT(m_block.size() == config::BlockSize);
}

std::optional<QByteArray> ConfigStore::write(const QByteArray& payload) {
    const int mode = payload.isEmpty() ? -1 : quint8(payload.at(0));
    if (mode == config::WriteFull && payload.size() == config::WritePayloadSize)
        m_block = payload.mid(1);
    else if (mode == config::WriteCalibration && payload.size() == calibration::WritePayloadSize)
        storeCalibration(payload.mid(1));
    else
        return std::nullopt;
    applyMisstores();
    if (mode == config::WriteFull)
        return QByteArray(1, char(config::WriteFull));
    return char(config::WriteCalibration) +
           m_block.mid(config::CoefficientsByte, CoefficientBytes) + m_block.at(config::FlagsByte);
}

void ConfigStore::storeCalibration(const QByteArray& coefficients) {
    m_block.replace(config::CoefficientsByte, CoefficientBytes, coefficients);
    // The relay blocks its protection after a calibration.
    m_block[config::FlagsByte] = char(quint8(m_block.at(config::FlagsByte)) | config::BlockingFlag);
}

void ConfigStore::applyMisstores() {
    for (const FaultVerdict::Patch& p : m_misstores.judge(KindConfigWrite).misstores) {
        m_block.replace(p.at, p.bytes.size(), p.bytes);
        qCInfo(lcFrames).noquote()
            << "   fault: stored with" << frame::hex(p.bytes) << "at block byte" << p.at;
    }
}

int ConfigStore::speedIndex() const {
    return quint8(m_block.at(config::SpeedByte));
}

void ConfigStore::setSpeedIndex(int index) {
    m_block[config::SpeedByte] = char(index);
}

int ConfigStore::fieldBusAddress() const {
    return quint8(m_block.at(config::AddressByte));
}

ConfigStore::Coefficients ConfigStore::coefficients() const {
    Coefficients c{};
    for (int k = 0; k < config::CoefficientCount; ++k) {
        const int at = config::CoefficientsByte + 2 * k;
        c[std::size_t(k)] = quint8(m_block.at(at)) << 8 | quint8(m_block.at(at + 1));
    }
    return c;
}

} // namespace kliv::sim
