#pragma once

#include "faults.h"
#include "relaymodel.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace kliv::sim {

// One relay on the simulated line, with the fault rules that watch its requests.
struct RelayOnLine {
    RelaySettings settings;
    QList<FaultRule> faults; // of the line; its misstores are in settings
};

// The relays that share one line, in the order given: each takes `common` with its own
// serial number and its place, which sets it apart from the others (variety.h). A rule
// aimed at a serial number goes to that relay only; every other rule is each relay's own
// copy, counting only that relay's requests. Empty, with the reason, when a rule aims at a
// serial number that is not on the line.
QList<RelayOnLine> lineUp(const RelaySettings& common, const QList<quint16>& serials,
                          const QList<FaultRule>& rules, QString* error = nullptr);

// What the line carries when several relays answer at once (two that share a serial
// number): each answer starts a byte after the one before, and where they overlap a 0 bit
// wins, as the drivers pull the line each their own way. One answer goes through as it is.
QByteArray collide(const QList<QByteArray>& answers);

} // namespace kliv::sim
