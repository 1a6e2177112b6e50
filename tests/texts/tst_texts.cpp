// Every way a job can end, put into the words both front ends show: the box and what
// stands beside it; and a long list held to what a box shows.

#include "texts/messages.h"
#include "texts/problemtexts.h"
#include "texts/shortlist.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace kliv;

namespace {

Outcome outcome(Task task, Failure reason) {
    Outcome o;
    o.task = task;
    o.reason = reason;
    return o;
}

} // namespace

class TestTexts : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void everyOutcome_data();
    void everyOutcome();
    void longListsAreCut();
};

void TestTexts::everyOutcome_data() {
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<Icon>("icon");
    const QString noReply = msg::noReply().text;
    QTest::newRow("no answer") << outcome(Task::ConfigRead, Failure::NoAnswer) << noReply
                               << QString() << Icon::Error;
    QTest::newRow("no answer to a search")
        << outcome(Task::Search, Failure::NoAnswer) << msg::searchNotFound().text << QString()
        << Icon::Information;
    QTest::newRow("no answer to a speed change")
        << outcome(Task::Rs485Speed, Failure::NoAnswer) << msg::rs485Stopped().text << QString()
        << Icon::Information;

    Outcome lost = outcome(Task::Poll, Failure::LineLost);
    lost.port = QStringLiteral("/dev/ttyUSB0");
    QTest::newRow("line lost") << lost << msg::deviceLost().text
                               << QStringLiteral("Порт /dev/ttyUSB0 закрыт: устройство отключено "
                                                 "или не отвечает.")
                               << Icon::Error;

    QTest::newRow("no port chosen")
        << outcome(Task::Version, Failure::PortNotOpened) << msg::portOpenFailed().text
        << QStringLiteral("Не найден СОМ-порт!") << Icon::Error;
    Outcome busy = outcome(Task::Version, Failure::PortNotOpened);
    busy.port = QStringLiteral("COM5");
    busy.openError = OpenError::Busy;
    busy.systemText = QStringLiteral("Access denied");
    QTest::newRow("port busy") << busy << msg::portOpenFailed().text
                               << QStringLiteral("Порт COM5 занят другой программой.")
                               << Icon::Error;
    Outcome other = busy;
    other.openError = OpenError::Other;
    QTest::newRow("port fails otherwise")
        << other << msg::portOpenFailed().text
        << QStringLiteral("Порт COM5 не открывается: Access denied") << Icon::Error;

    Outcome refused = outcome(Task::ConfigWrite, Failure::RefusedInput);
    refused.problems = {{"z_umax_v", Problem::Rule::Range, 9000, 100, 7000, {}},
                        {"sp_uaddr", Problem::Rule::Range, 0, 1, 247, {}}};
    QTest::newRow("refused, two fields")
        << refused
        << QStringLiteral("Umax: значение должно быть от 100 до 7000 В\n"
                          "Адрес: значение должно быть от 1 до 247")
        << QStringLiteral("Ничего не отправлено в устройство.") << Icon::Error;
    Outcome calibration = outcome(Task::Calibration, Failure::RefusedInput);
    calibration.problems = {{"ub", Problem::Rule::NoSignal, 0, 0, 65535, {}}};
    QTest::newRow("calibration refused")
        << calibration << msg::calibrationRefused().text
        << QStringLiteral("Ub: нет сигнала (коэффициент 0).") << Icon::Error;

    QTest::newRow("given way") << outcome(Task::EventLog, Failure::Cancelled)
                               << QStringLiteral("Операция прервана: начата другая операция.")
                               << QString() << Icon::Information;
    QTest::newRow("search stopped") << outcome(Task::Search, Failure::Cancelled)
                                    << msg::searchStopped().text << QString() << Icon::Information;

    const QString stored = QStringLiteral("Устройство хранит не те данные, что были записаны!");
    Outcome mismatch = outcome(Task::ConfigWrite, Failure::Mismatch);
    using D = config::FieldDifference;
    mismatch.differences = {{D::Of::Field, QStringLiteral("z_umax_v"), 0, {250, {}}, {7000, {}}},
                            {D::Of::Byte, {}, 47, {32, {}}, {0, {}}}};
    QTest::newRow("mismatch") << mismatch << stored
                              << QStringLiteral("Umax: записано 250, считано 7000\n"
                                                "байт 47: записано 32, считано 0")
                              << Icon::Error;
    QTest::newRow("write not confirmed")
        << outcome(Task::ConfigWrite, Failure::Mismatch) << stored
        << QStringLiteral("Устройство не подтвердило запись конфигурации.") << Icon::Error;

    Outcome cut = outcome(Task::ConfigRead, Failure::ShortReply);
    cut.replyLength = 3;
    cut.expectedLength = 78;
    QTest::newRow("short reply") << cut
                                 << QStringLiteral("Ответ устройства короче ожидаемого! Повторите "
                                                   "попытку.")
                                 << QStringLiteral("Ответ устройства: 3 байт вместо 78.")
                                 << Icon::Error;
}

void TestTexts::everyOutcome() {
    QFETCH(Outcome, outcome);
    QFETCH(QString, box);
    QFETCH(QString, detail);
    QFETCH(Icon, icon);
    const msg::Report r = msg::forFailure(outcome);
    QCOMPARE(r.message.text, box);
    QCOMPARE(r.detail, detail);
    QCOMPARE(r.message.icon, icon);
    // The change journal keeps what the outcome holds, also where the box says it already.
    if (outcome.reason == Failure::RefusedInput)
        QCOMPARE(msg::failureDetail(outcome),
                 msg::problemTexts(outcome.problems, NumberLocale::system()).join(u'\n'));
}

// Random lists, as a list and as a text: the first lines kept as they begin, each cut to
// its most, and the rest counted, never one lost or counted twice.
void TestTexts::longListsAreCut() {
    QRandomGenerator rng(11);
    for (int round = 0; round < 300; ++round) {
        QStringList lines, expected;
        const int count = int(rng.bounded(1, 60)), shown = int(rng.bounded(1, 30));
        for (int i = 0; i < count; ++i)
            lines << QString(int(rng.bounded(1, 2 * msg::LineChars)), QChar(u'а' + i % 30));
        for (const QString& line : lines.first(qMin(count, shown)))
            expected << (line.size() <= msg::LineChars ? line
                                                       : line.left(msg::LineChars - 1) + u'…');
        if (count > shown)
            expected << QStringLiteral("… и ещё %1").arg(count - shown);
        QCOMPARE(msg::shortList(lines, shown), expected.join(u'\n'));
        QCOMPARE(msg::shortText(lines.join(u'\n'), shown), expected.join(u'\n'));
    }
}

QTEST_APPLESS_MAIN(TestTexts)
#include "tst_texts.moc"
