// Reading a settings file, hostile ones included: the time per megabyte of files of many
// unknown keys in random order, of one key repeated, and of a header of many keys, each
// against the same kind of file a tenth its size measured in the same run. A linear read
// keeps the ratio near 1. A benchmark: it prints figures, it asserts nothing.

#include "files/settingsfile.h"

#include <QElapsedTimer>
#include <QList>
#include <QRandomGenerator>
#include <QTextStream>
#include <algorithm>
#include <numeric>

using namespace kliv;

namespace {

QByteArray unknownKeys(int n) {
    QList<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), *QRandomGenerator::global());
    QByteArray text = "{";
    for (int k : order)
        text += "\"k" + QByteArray::number(k) + "\": " + QByteArray::number(k) + ",";
    text.back() = '}';
    return text;
}

QByteArray oneKeyRepeated(int n) {
    QByteArray text = "{";
    for (int k = 0; k < n; ++k)
        text += "\"z_umax_v\": 250,";
    text.back() = '}';
    return text;
}

QByteArray wideHeader(int n) {
    QByteArray text = R"({"header": {"format": 1)";
    for (int k = 0; k < n; ++k)
        text += ", \"h" + QByteArray::number(k) + "\": \"" + QByteArray(8, 'x') + "\"";
    return text + "}, \"z_umax_v\": 250}";
}

// Seconds per megabyte, the median of five reads.
double secondsPerMegabyte(const QByteArray& text) {
    QList<double> runs;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer clock;
        clock.start();
        settings::decode(text, Configuration{});
        runs.append(clock.nsecsElapsed() / 1e9);
    }
    std::sort(runs.begin(), runs.end());
    return runs.at(runs.size() / 2) / (text.size() / 1e6);
}

} // namespace

int main() {
    QTextStream out(stdout);
    constexpr int Small = 6000, Large = 60000;
    const struct {
        const char* name;
        QByteArray (*make)(int);
    } kinds[] = {{"unknown keys", unknownKeys},
                 {"one key repeated", oneKeyRepeated},
                 {"header keys", wideHeader}};
    for (const auto& kind : kinds) {
        const QByteArray small = kind.make(Small), large = kind.make(Large);
        const double s = secondsPerMegabyte(small), l = secondsPerMegabyte(large);
        out << QStringLiteral("%1: %2 keys (%3 kB) %4 ms/MB, %5 keys (%6 kB) %7 ms/MB, ratio %8")
                   .arg(QLatin1String(kind.name))
                   .arg(Small)
                   .arg(small.size() / 1000)
                   .arg(s * 1000, 0, 'f', 1)
                   .arg(Large)
                   .arg(large.size() / 1000)
                   .arg(l * 1000, 0, 'f', 1)
                   .arg(l / s, 0, 'f', 2)
            << Qt::endl;
    }
    return 0;
}
