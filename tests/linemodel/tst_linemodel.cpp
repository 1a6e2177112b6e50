// The line the windows share: the port it chooses as adapters come and go, and the
// values it holds to what a relay's line can have.

#include "model/line.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using kliv::model::Line;

class TestLineModel : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void portChoiceFollowsTheAdapters();
    void valuesHeldToTheLine_data();
    void valuesHeldToTheLine();
};

// Adapters plugged in and pulled out at random, in any order, between picks of ports
// listed and not: while a port is listed one of them is chosen; the choice moves only
// when its port went away, or to the user's port when that comes back; an empty list
// leaves it. Each move is signalled once, with the port; nothing else is.
void TestLineModel::portChoiceFollowsTheAdapters() {
    const QStringList all{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB1"),
                          QStringLiteral("/dev/ttyS0"), QStringLiteral("COM3"),
                          QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0")};
    QRandomGenerator rng(29);
    Line line;
    QSignalSpy moved(&line, &Line::portChanged);
    QString picked;
    int cameBack = 0, keptThrough = 0, refused = 0;
    for (int step = 0; step < 3000; ++step) {
        const QString before = line.port();
        moved.clear();
        if (rng.bounded(3) == 0) {
            const QString port = all[rng.bounded(int(all.size()))];
            const bool listed = line.ports().contains(port);
            line.pickPort(port);
            picked = listed ? port : picked;
            refused += !listed;
            QCOMPARE(line.port(), listed ? port : before);
        } else {
            QStringList now;
            for (const QString& port : all)
                if (rng.bounded(2))
                    now.insert(rng.bounded(int(now.size()) + 1), port);
            const bool changed = now != line.ports();
            line.setPorts(now);
            QCOMPARE(line.ports(), now);
            if (now.isEmpty() || !changed) {
                QCOMPARE(line.port(), before);
            } else if (now.contains(picked)) {
                QCOMPARE(line.port(), picked);
                cameBack += before != picked;
            } else if (now.contains(before)) {
                QCOMPARE(line.port(), before);
                keptThrough += !picked.isEmpty();
            } else {
                QCOMPARE(line.port(), now.first());
            }
        }
        QCOMPARE(line.portListed(), !line.ports().isEmpty());
        QCOMPARE(moved.size(), line.port() == before ? 0 : 1);
        if (!moved.isEmpty())
            QCOMPARE(moved.first().first().toString(), line.port());
    }
    QVERIFY(cameBack > 50 && keptThrough > 50 && refused > 50);
}

void TestLineModel::valuesHeldToTheLine_data() {
    QTest::addColumn<int>("what"); // 0 serial number, 1 speed index, 2 retries
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("held"); // what the line then holds
    const QList<std::tuple<const char*, int, int, int>> rows = {
        {"serial 599", 0, 599, 599}, {"serial 65536", 0, 65536, 65535},
        {"serial 99", 0, 99, 100},   {"serial as it was", 0, 600, 600},
        {"speed 6", 1, 6, 6},        {"speed 11", 1, 11, 10},
        {"speed -1", 1, -1, 10},     {"retries 0", 2, 0, 0},
        {"retries -1", 2, -1, 2},
    };
    for (const auto& [name, what, value, held] : rows)
        QTest::newRow(name) << what << value << held;
}

// A value a relay's line cannot have is held to the nearest one, or refused; whatever
// leaves the line as it was signals nothing.
void TestLineModel::valuesHeldToTheLine() {
    QFETCH(int, what);
    QFETCH(int, value);
    QFETCH(int, held);
    Line line;
    line.setRetries(2);
    QCOMPARE(line.serial(), 600);
    QCOMPARE(line.speedIndex(), 10);
    QSignalSpy serial(&line, &Line::serialChanged);
    QSignalSpy speed(&line, &Line::speedIndexChanged);
    QSignalSpy retries(&line, &Line::retriesChanged);
    const QList<std::pair<void (Line::*)(int), int (Line::*)() const>> fields = {
        {&Line::setSerial, &Line::serial},
        {&Line::setSpeedIndex, &Line::speedIndex},
        {&Line::setRetries, &Line::retries}};
    const QList<QSignalSpy*> spies = {&serial, &speed, &retries};
    const int before = (line.*fields[what].second)();
    (line.*fields[what].first)(value);
    QCOMPARE((line.*fields[what].second)(), held);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(spies[i]->size(), i == what && held != before ? 1 : 0);
    if (held != before)
        QCOMPARE(spies[what]->first().first().toInt(), held);
}

QTEST_GUILESS_MAIN(TestLineModel)
#include "tst_linemodel.moc"
