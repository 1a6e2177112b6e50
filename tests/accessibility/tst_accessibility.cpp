#include "app/mainwindow.h"
#include "common/fakeport.h"
#include "common/recordingprompt.h"
#include "config/vtzwindow.h"
#include "diag/diagpage.h"
#include "diag/livechart.h"
#include "diag/livevalues.h"
#include "diag/protectionpanel.h"
#include "link/engine.h"
#include "protocol/status.h"
#include "search/searchwindow.h"
#include "texts/statustext.h"
#include "widgets/shape.h"
#include "widgets/valuelabel.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>

using namespace kliv;

namespace {

struct Tool {
    test::FakePort* port = new test::FakePort;
    Engine engine{port};
    test::RecordingPrompt prompt;
    MainWindow form1{engine, prompt};
};

QString what(QAccessibleInterface* i) {
    const QObject* o = i->object();
    return QStringLiteral("%1 %2 \"%3\"")
        .arg(o ? QString::fromLatin1(o->metaObject()->className()) : QStringLiteral("?"),
             o ? o->objectName() : QString(), i->text(QAccessible::Name));
}

QString textOf(QAccessibleInterface* i) {
    QAccessibleTextInterface* t = i->textInterface();
    return t ? t->text(0, t->characterCount()) : QString();
}

// What a screen reader would find wrong with one node of the tree, by its role: a
// control, list or group without a name, a value field or an indicator whose value
// cannot be read, a chart without a description.
QStringList problemsOf(QAccessibleInterface* i) {
    QStringList p;
    const QString name = i->text(QAccessible::Name).trimmed();
    const QObject* o = i->object();
    switch (i->role()) {
    case QAccessible::ComboBox:
        if (name.isEmpty() || name == i->text(QAccessible::Value))
            p << QStringLiteral("list not named apart from its chosen item");
        if (i->text(QAccessible::Value) != static_cast<const QComboBox*>(o)->currentText())
            p << QStringLiteral("chosen item not readable");
        break;
    case QAccessible::Grouping:
    case QAccessible::SpinBox:
    case QAccessible::EditableText:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::PushButton:
    case QAccessible::ProgressBar:
    case QAccessible::Table:
        if (name.isEmpty())
            p << QStringLiteral("no name");
        break;
    case QAccessible::StaticText:
        if (qobject_cast<const ValueLabel*>(o)) {
            const QString shown = static_cast<const ValueLabel*>(o)->text();
            if (name.isEmpty())
                p << QStringLiteral("value field without a name");
            if (name == shown)
                p << QStringLiteral("value field named by its value");
            if (i->text(QAccessible::Value) != shown || textOf(i) != shown)
                p << QStringLiteral("value not readable");
        } else if (qobject_cast<const Shape*>(o)) {
            const QString state = static_cast<const Shape*>(o)->stateText();
            if (name.isEmpty())
                p << QStringLiteral("indicator without a name");
            if (state.isEmpty() || i->text(QAccessible::Value) != state ||
                i->text(QAccessible::Description) != state || textOf(i) != state)
                p << QStringLiteral("indicator state not in words");
        }
        break;
    default:
        break;
    }
    if (qobject_cast<const QChartView*>(o) && name.isEmpty())
        p << QStringLiteral("chart without a name");
    if (qobject_cast<const QChartView*>(o) && i->text(QAccessible::Description).trimmed().isEmpty())
        p << QStringLiteral("chart without a description");
    return p;
}

void walk(QAccessibleInterface* i, QStringList* problems, QSet<QObject*>* seen, int depth = 0) {
    if (!i || depth > 64)
        return;
    if (i->object())
        seen->insert(i->object());
    for (const QString& p : problemsOf(i))
        *problems << what(i) + QStringLiteral(": ") + p;
    for (int c = 0; c < i->childCount(); ++c)
        walk(i->child(c), problems, seen, depth + 1);
}

// The tooltip the widget shows when the pointer rests on it.
QString toolTipOf(QWidget* w) {
    QToolTip::hideText();
    QHelpEvent ask(QEvent::ToolTip, QPoint(4, 4), w->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(w, &ask);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

LiveStatus record(quint8 condition, quint8 state, quint8 operated) {
    LiveStatus s;
    s.conditionBits = condition;
    s.stateBits = state;
    s.operatedBits = operated;
    s.ua = 231;
    s.ia = 57;
    s.timers[1] = 35;
    s.overload = 12;
    return s;
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT

  private slots:
    // Every page of the main window and the search window, walked as a screen reader
    // walks them; every value field and indicator the windows hold must be met on the way.
    void windowsReadFully_data() {
        QTest::addColumn<int>("page"); // -1: the search window, -2: the characteristic window
        QTest::newRow("configuration") << 0;
        QTest::newRow("diagnostics") << 1;
        QTest::newRow("protocol") << 2;
        QTest::newRow("search window") << -1;
        QTest::newRow("characteristic window") << -2;
    }
    void windowsReadFully() {
        QFETCH(int, page);
        Tool t;
        t.form1.setPorts({QStringLiteral("/dev/ttyS0")});
        QWidget* root = &t.form1;
        if (page < 0) {
            root = page == -1 ? static_cast<QWidget*>(&t.form1.searchDialog())
                              : &t.form1.characteristicWindow();
        } else {
            t.form1.pages()->setCurrentIndex(page);
            root = t.form1.pages()->widget(page);
        }
        QStringList problems;
        QSet<QObject*> seen;
        walk(QAccessible::queryAccessibleInterface(page < 0 ? root : &t.form1), &problems, &seen);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));

        QStringList unreached;
        for (QWidget* w : root->findChildren<QWidget*>())
            if ((qobject_cast<ValueLabel*>(w) || qobject_cast<Shape*>(w) ||
                 qobject_cast<QComboBox*>(w) || qobject_cast<QGroupBox*>(w)) &&
                !seen.contains(w))
                unreached << w->objectName() + u' ' +
                                 QString::fromLatin1(w->metaObject()->className());
        QVERIFY2(unreached.isEmpty(), qPrintable(unreached.join(u'\n')));
    }

    // The names a screen reader announces for the groups and lists; a group is found by a
    // control it holds.
    void groupsAndListsNamed_data() {
        QTest::addColumn<QString>("object");
        QTest::addColumn<bool>("group");
        QTest::addColumn<QString>("name");
        QTest::newRow("connection") << "frm1_zn" << true << "Подключение";
        QTest::newRow("rs485 group") << "cb_rs485" << true << "Параметры RS485";
        QTest::newRow("clock") << "tDATE" << true << "Часы реле";
        QTest::newRow("speed") << "cb_speed" << false << "Скорость, бод/сек";
        QTest::newRow("view") << "cmb_m" << false << "Просмотр";
        QTest::newRow("port") << "cmbPorts" << false << "Порт";
        QTest::newRow("insulation") << "z_iso_r" << false << "Изоляция: сопротивление, кОм";
        QTest::newRow("rs485 list") << "cb_rs485" << false << "RS485";
    }
    void groupsAndListsNamed() {
        QFETCH(QString, object);
        QFETCH(bool, group);
        QFETCH(QString, name);
        Tool t;
        QWidget* w = t.form1.findChild<QWidget*>(object);
        QVERIFY2(w, qPrintable(object));
        while (group && w && !qobject_cast<QGroupBox*>(w))
            w = w->parentWidget();
        QVERIFY2(w, qPrintable(object));
        QCOMPARE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name), name);
    }

    // Indicators say their state in words, from the bits of the live record; before the
    // first record they say there is nothing yet.
    void indicatorsSayTheirState_data() {
        QTest::addColumn<quint8>("condition");
        QTest::addColumn<quint8>("state");
        QTest::addColumn<quint8>("operated");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("words");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("before any record") << quint8(0xFF) << quint8(0) << quint8(0) << ""
                                           << "нет данных" << Shape::Silver;
        QTest::newRow("umax operated") << quint8(0) << quint8(0) << quint8(0x02) << "zp_umax"
                                       << "сработала" << Shape::Red;
        QTest::newRow("umin not operated") << quint8(0) << quint8(0) << quint8(0x02) << "zp_umin"
                                           << "не сработала" << Shape::Silver;
        QTest::newRow("any operated") << quint8(0) << quint8(0) << quint8(0x80) << "Sh_z"
                                      << "сработала" << Shape::Red;
        QTest::newRow("none operated") << quint8(0xFF) << quint8(0x05) << quint8(0) << "Sh_z"
                                       << "не сработала" << Shape::Silver;
        QTest::newRow("overload picking up") << quint8(0x20) << quint8(0) << quint8(0) << "Sh_ivtz"
                                             << "есть" << Shape::Red;
        QTest::newRow("jam not picking up") << quint8(0x20) << quint8(0) << quint8(0) << "sh_zakl"
                                            << "нет" << Shape::Silver;
        QTest::newRow("equipment on") << quint8(0) << quint8(0x01) << quint8(0) << "sh_dv"
                                      << "включено" << Shape::Red;
        QTest::newRow("equipment off") << quint8(0) << quint8(0x04) << quint8(0) << "sh_dv"
                                       << "отключено" << Shape::Silver;
        QTest::newRow("insulation fault") << quint8(0) << quint8(0x04) << quint8(0) << "sh_iso"
                                          << "неисправна" << Shape::Red;
        QTest::newRow("insulation good") << quint8(0) << quint8(0x02) << quint8(0) << "sh_iso"
                                         << "в норме" << Shape::Lime;
    }
    void indicatorsSayTheirState() {
        QFETCH(quint8, condition);
        QFETCH(quint8, state);
        QFETCH(quint8, operated);
        QFETCH(QString, shape);
        QFETCH(QString, words);
        QFETCH(QColor, colour);
        ProtectionPanel panel;
        const bool fresh = shape.isEmpty();
        if (!fresh) {
            const LiveStatus s = record(condition, state, operated);
            panel.showStatus(s, status::texts(s, NumberLocale::c()));
        }
        const QList<Shape*> shapes =
            fresh ? panel.findChildren<Shape*>() : QList<Shape*>{panel.findChild<Shape*>(shape)};
        QCOMPARE(shapes.size(), fresh ? 19 : 1);
        for (Shape* s : shapes) {
            QVERIFY2(s, qPrintable(shape));
            QAccessibleInterface* i = QAccessible::queryAccessibleInterface(s);
            QCOMPARE(i->text(QAccessible::Value), words);
            QCOMPARE(textOf(i), words);
            QCOMPARE(s->color(), colour);
        }
    }

    // A circle and its square name the same protection but are told apart.
    void circleAndSquareNamedApart() {
        ProtectionPanel panel;
        const QString square = QAccessible::queryAccessibleInterface(
                                   panel.findChild<Shape*>(QStringLiteral("zp_iasm")))
                                   ->text(QAccessible::Name);
        const QString circle = QAccessible::queryAccessibleInterface(
                                   panel.findChild<Shape*>(QStringLiteral("sh_iasm")))
                                   ->text(QAccessible::Name);
        QVERIFY(!square.isEmpty());
        QVERIFY(circle.startsWith(square));
        QVERIFY(circle != square);
    }

    // A value field keeps its caption as name and reads what it shows now.
    void valueFieldsReadTheirLiveText_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::newRow("voltage") << "st_ua"
                                 << "Ua, В"
                                 << "231";
        QTest::newRow("current") << "st_ia"
                                 << "Ia, А"
                                 << "5.7";
        QTest::newRow("timer") << "c_umax"
                               << "Umax, сек"
                               << "3.5";
        QTest::newRow("overload") << "st_ikrp"
                                  << "Кр.перег."
                                  << "1.2";
    }
    void valueFieldsReadTheirLiveText() {
        QFETCH(QString, field);
        QFETCH(QString, name);
        QFETCH(QString, value);
        const LiveStatus s = record(0, 0, 0);
        const LiveStatusTexts texts = status::texts(s, NumberLocale::c());
        LiveValuesPanel values;
        values.showTexts(texts);
        ProtectionPanel protections;
        protections.showStatus(s, texts);
        auto* label = values.findChild<ValueLabel*>(field);
        if (!label)
            label = protections.findChild<ValueLabel*>(field);
        QVERIFY2(label, qPrintable(field));
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(label);
        QCOMPARE(i->role(), QAccessible::StaticText);
        QCOMPARE(i->text(QAccessible::Name), name);
        QCOMPARE(i->text(QAccessible::Value), value);
        QAccessibleTextInterface* text = i->textInterface();
        QVERIFY(text);
        QCOMPARE(text->characterCount(), int(value.size()));
        QCOMPARE(text->text(1, 100), value.mid(1));
        QCOMPARE(text->text(-5, 1), value.left(1));
        QVERIFY(text->characterRect(int(value.size())).isNull());
    }

    void chartNamedAndSeriesToldApart() {
        LiveChart chart;
        QAccessibleInterface* i = QAccessible::queryAccessibleInterface(&chart);
        QCOMPARE(i->text(QAccessible::Name), chart.chart()->title());
        QVERIFY(i->text(QAccessible::Description).contains(QStringLiteral("Ia")));
        // Voltage and current of one phase share a colour; their line style differs.
        const QList<QAbstractSeries*> series = chart.chart()->series();
        QCOMPARE(series.size(), 6);
        for (int phase = 0; phase < 3; ++phase) {
            const QPen u = static_cast<QLineSeries*>(series.at(2 * phase))->pen();
            const QPen ia = static_cast<QLineSeries*>(series.at(2 * phase + 1))->pen();
            QVERIFY(series.at(2 * phase)->name().startsWith(u'U'));
            QVERIFY(series.at(2 * phase + 1)->name().startsWith(u'I'));
            QCOMPARE(u.color(), ia.color());
            QVERIFY(u.style() != ia.style());
            // and so does their sign in the legend.
            const QList<QLegendMarker*> um = chart.chart()->legend()->markers(series.at(2 * phase));
            const QList<QLegendMarker*> im =
                chart.chart()->legend()->markers(series.at(2 * phase + 1));
            QCOMPARE(um.size(), 1);
            QCOMPARE(im.size(), 1);
            QVERIFY(um.first()->shape() != im.first()->shape());
        }
    }

    // Long device paths are shown whole in the popup and as the list's tooltip.
    void portListShowsLongPathsWhole() {
        const QString longPath =
            QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
        Tool t;
        t.form1.setPorts({QStringLiteral("/dev/ttyS0"), longPath});
        QComboBox* main = t.form1.diagnosticsPage()->portList();
        QComboBox* search = t.form1.searchDialog().ports();
        for (QComboBox* ports : {main, search}) {
            QCOMPARE(ports->itemData(1, Qt::ToolTipRole).toString(), longPath);
            QCOMPARE(toolTipOf(ports), QStringLiteral("/dev/ttyS0"));
            QAbstractItemView* popup = ports->view();
            QCOMPARE(popup->textElideMode(), Qt::ElideNone);
            QVERIFY(popup->minimumWidth() > popup->fontMetrics().horizontalAdvance(longPath));
            QVERIFY(ports->sizeHint().width() <
                    popup->minimumWidth()); // the closed list stays small
        }
        // The search window follows the main window's choice quietly, without its signals;
        // its tooltip follows all the same.
        main->setCurrentIndex(1);
        QCOMPARE(search->currentIndex(), 1);
        QCOMPARE(toolTipOf(main), longPath);
        QCOMPARE(toolTipOf(search), longPath);
        QCOMPARE(QAccessible::queryAccessibleInterface(search)->text(QAccessible::Value), longPath);
        // A shorter list lets the popup shrink again.
        t.form1.setPorts({QStringLiteral("/dev/ttyS0")});
        QVERIFY(t.form1.diagnosticsPage()->portList()->view()->minimumWidth() <
                t.form1.diagnosticsPage()->portList()->view()->fontMetrics().horizontalAdvance(
                    longPath));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
