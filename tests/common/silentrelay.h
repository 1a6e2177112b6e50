#pragma once

#include "link/engine.h"

namespace kliv::test {

// The relay stays silent: the request in flight times out on every try, so its job ends.
inline void timeOutEveryTry(Engine& engine) {
    for (int i = 0; i <= engine.retries(); ++i)
        engine.onReplyTimeout();
}

} // namespace kliv::test
