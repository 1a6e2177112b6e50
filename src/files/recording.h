#pragma once

#include <QString>

namespace kliv::files {

// How a recording of the poll ended: the records that came, those written, and why the
// writing stopped early if it did.
struct Recording {
    enum class Problem {
        None,
        Write, // a write or a flush failed: a full disk, a lost drive
        Gone,  // the file was removed or replaced, its folder deleted: what it held is lost
    };
    qint64 received = 0, written = 0;
    Problem problem = Problem::None;
    QString error; // the system's words for a failed write
    bool whole() const { return problem == Problem::None; }
};

} // namespace kliv::files
