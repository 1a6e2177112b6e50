#include "files/comtrade.h"

#include "files/wholefile.h"

#include <QRegularExpression>
#include <QStringList>

namespace kliv::comtrade {

namespace {

const QString End = QStringLiteral("\r\n");

// The channels in the file's order: which of the store's arrays, its phase and unit.
struct Channel {
    const char* name;
    const char* phase;
    const char* unit;
    bool current;
    int index; // phase A, B, C
};
constexpr Channel Channels[] = {
    {"Ua", "A", "V", false, 0}, {"Ub", "B", "V", false, 1}, {"Uc", "C", "V", false, 2},
    {"Ia", "A", "A", true, 0},  {"Ib", "B", "A", true, 1},  {"Ic", "C", "A", true, 2},
};
constexpr int SampleMin = 0, SampleMax = 255; // a sample is one byte
constexpr qint64 MicrosPerSample = 1000000 / waveform::SamplesPerSecond;

int sample(const WaveformStore& s, const Channel& c, int n) {
    const auto& phase = c.current ? s.current : s.voltage;
    return phase[std::size_t(c.index)][std::size_t(n)];
}

QString stamp(const QDateTime& at) {
    return at.toString(QStringLiteral("dd/MM/yyyy,HH:mm:ss.zzz")) + QStringLiteral("000");
}

} // namespace

QString cfgText(const Snapshot& s) {
    const int channels = int(std::size(Channels));
    QString out = QStringLiteral("KLIV-1M sn %1,kliv-service,1999").arg(s.serial) + End;
    out += QStringLiteral("%1,%1A,0D").arg(channels) + End;
    int n = 0;
    for (const Channel& c : Channels)
        out += QStringLiteral("%1,%2,%3,,%4,1,0,0,%5,%6,1,1,S")
                   .arg(++n)
                   .arg(QLatin1String(c.name), QLatin1String(c.phase), QLatin1String(c.unit))
                   .arg(SampleMin)
                   .arg(SampleMax) +
               End;
    out += QString::number(waveform::MainsHz) + End;
    out += QStringLiteral("1") + End;
    out += QStringLiteral("%1,%2").arg(waveform::SamplesPerSecond).arg(waveform::SampleCount) + End;
    out += stamp(s.at) + End; // the first sample
    out += stamp(s.at) + End; // the trigger: the moment the snapshot was asked for
    out += QStringLiteral("ASCII") + End;
    out += QStringLiteral("1") + End;
    return out;
}

QString datText(const Snapshot& s) {
    QString out;
    for (int n = 0; n < waveform::SampleCount; ++n) {
        QStringList fields{QString::number(n + 1), QString::number(n * MicrosPerSample)};
        for (const Channel& c : Channels)
            fields << QString::number(sample(s.samples, c, n));
        out += fields.join(u',') + End;
    }
    return out;
}

QString write(const QString& base, const Snapshot& s) {
    QString stem = base;
    stem.remove(QRegularExpression(QStringLiteral("\\.(cfg|dat)$"),
                                   QRegularExpression::CaseInsensitiveOption));
    if (const QString why = files::writeWhole(stem + QStringLiteral(".cfg"), cfgText(s).toLatin1());
        !why.isEmpty())
        return why;
    return files::writeWhole(stem + QStringLiteral(".dat"), datText(s).toLatin1());
}

} // namespace kliv::comtrade
