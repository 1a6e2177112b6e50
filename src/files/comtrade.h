#pragma once

#include "protocol/waveform.h"

#include <QDateTime>
#include <QString>

// A waveform snapshot as a COMTRADE record (IEEE C37.111-1999): an ASCII configuration
// file and an ASCII data file with the six analog channels Ua, Ub, Uc, Ia, Ib, Ic. The
// values are the samples as the chart plots them (multiplier 1, offset 0), one period of
// a hundred samples at the waveform's own 5000 samples a second.
namespace kliv::comtrade {

struct Snapshot {
    int serial = 0;        // of the relay, in the station name
    QDateTime at;          // the PC's time of the snapshot: first sample and trigger
    WaveformStore samples; // each phase's last complete set of blocks
};

QString cfgText(const Snapshot& s); // lines ending in CR LF, as the standard has them
QString datText(const Snapshot& s);

// Writes BASE.cfg and BASE.dat (a base ending in .cfg or .dat is taken without it), each
// whole or not at all; empty when both were written, else the reason.
QString write(const QString& base, const Snapshot& s);

} // namespace kliv::comtrade
