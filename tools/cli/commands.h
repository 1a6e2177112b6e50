#pragma once

#include "clirunner.h"

#include <QStringList>

namespace kliv::cli {

struct PollOptions {
    int count = 0; // 0: until interrupted
    int view = 0;  // cmb_m item index
};

struct ClockOptions {
    bool stop = false;
    int calibration = 0;
    bool autoDst = false;
};

int version(Runner& r);
int raw(Runner& r, quint8 kind, const QByteArray& payload);
int status(Runner& r);
int poll(Runner& r, const PollOptions& o);
int clockSet(Runner& r, const ClockOptions& o);
int protectionReset(Runner& r);

} // namespace kliv::cli
