#include "report/protocolreport.h"

#include "model/configitems.h"
#include "protocol/speeds.h"
#include "report/document.h"
#include "texts/accountingtexts.h"
#include "texts/configtexts.h"
#include "texts/eventtexts.h"
#include "texts/speedtexts.h"
#include "version.h"

namespace kliv::report {

namespace {

QString yesNo(bool on) {
    return on ? QStringLiteral("ДА") : QStringLiteral("НЕТ");
}

QString item(const QStringList& items, int index) {
    return items.value(index);
}

// Progress marks within the settings table: before row 12, 27 and 31, after row 44.
constexpr int StepBeforeIdle = 11, StepBeforeInsulation = 26, StepBeforeCalibration = 30;

// Types a two-column table from its first cell: label, next cell, value, next cell; no
// move after the last value.
bool typeTable(Document& doc, const QList<ReportRow>& rows, const std::function<void(int)>& mark) {
    for (int i = 0; i < rows.size(); ++i) {
        if (mark)
            mark(i);
        const ReportRow& r = rows.at(i);
        if (!doc.typeText(r.label) || !doc.moveToNextCell())
            return false;
        if (!r.value.isEmpty() && !doc.typeText(r.value))
            return false;
        if (i + 1 < rows.size() && !doc.moveToNextCell())
            return false;
    }
    return true;
}

} // namespace

QList<ReportRow> settingsRows(const Configuration& raw, const NumberLocale& loc) {
    const Configuration c = config::forPage(raw);
    auto tenths = [&loc](int v) { return config::tenthsText(v, loc); };
    auto n = [](int v) { return QString::number(v); };
    const QString p = QStringLiteral("    -  ");
    return {
        {QStringLiteral("Установки контроля и параметров защит:"), {}, true},
        {p + QStringLiteral("Блокировка защиты"), yesNo(c.blok_z)},
        {p + QStringLiteral("Минимальное напряжение (Umin)"), yesNo(c.z_umin_ok)},
        {p + QStringLiteral("Значение Umin, В"), n(c.z_umin_v)},
        {p + QStringLiteral("Время срабатывания Umin, сек"), tenths(c.st_zumin_t)},
        {p + QStringLiteral("Максимальное напряжение (Umax)"), yesNo(c.z_umax_ok)},
        {p + QStringLiteral("Значение Umax, В"), n(c.z_umax_v)},
        {p + QStringLiteral("Время срабатывания Umax, сек"), tenths(c.st_zumax_t)},
        {p + QStringLiteral("Асимметрия напряжений (Uасм)"), yesNo(c.z_uasm_ok)},
        {p + QStringLiteral("Значение Uасм, %"), n(c.z_uasm)},
        {p + QStringLiteral("Время срабатывания Uасм, сек"), tenths(c.st_zuasm_t)},
        {p + QStringLiteral("Холостой ход (Iхол)"), yesNo(c.z_ihol_ok)},
        {p + QStringLiteral("Значение Iхол, A"), tenths(c.z_ihol_a)},
        {p + QStringLiteral("Время срабатывания Iхол, сек"), n(c.z_ihol_t)},
        {p + QStringLiteral("Асимметрия токов (Iасм)"), yesNo(c.z_iasm_ok)},
        {p + QStringLiteral("Значение Iасм, %"), n(c.z_iasm)},
        {p + QStringLiteral("Время срабатывания Iасм, сек"), tenths(c.st_ziasm_t)},
        {p + QStringLiteral("Времятоковый перегруз (Iвтз)"), yesNo(c.z_ivtz_ok)},
        {p + QStringLiteral("Значение номинального тока Iном, A"), tenths(c.z_inom_a)},
        {p + QStringLiteral("Время срабатывания Iвтз, сек"), n(c.z_vtz_t)},
        {p + QStringLiteral("Заклинивание ротора (Iзкл)"), yesNo(c.z_zakl_ok)},
        {p + QStringLiteral("Значение тока заклинивания Iзкл, A"), tenths(c.z_izkl_a)},
        {p + QStringLiteral("Время срабатывания Iзкл, сек"), tenths(c.st_zizakl_t)},
        {p + QStringLiteral("Утечка тока на \"землю\" (Iут)"), yesNo(c.z_idif_ok)},
        {p + QStringLiteral("Значение тока утечки Iут, A"), tenths(c.z_idif_a)},
        {p + QStringLiteral("Время срабатывания Iут, сек"), tenths(c.st_zidif_t)},
        {p + QStringLiteral("Изоляция обмоток статора"), yesNo(c.z_iso_ok)},
        {p + QStringLiteral("Сопротивление изоляции, кОм"),
         item(config::items::list(config::items::Insulation), c.z_iso_r)},
        {p + QStringLiteral("Контроль напряжений фаз:"),
         item(config::items::list(config::items::Phases), c.p_uf_c)},
        {p + QStringLiteral("Контроль токов фаз:"),
         item(config::items::list(config::items::Phases), c.p_if_c)},
        {p + QStringLiteral("Параметры калибровки:"), {}, true},
        {p + QStringLiteral("Калибровочный коэффициент Ua"), n(c.st_kua)},
        {p + QStringLiteral("Калибровочный коэффициент Ub"), n(c.st_kub)},
        {p + QStringLiteral("Калибровочный коэффициент Uc"), n(c.st_kuc)},
        {p + QStringLiteral("Калибровочный коэффициент Ia"), n(c.st_kia)},
        {p + QStringLiteral("Калибровочный коэффициент Ib"), n(c.st_kib)},
        {p + QStringLiteral("Калибровочный коэффициент Ic"), n(c.st_kic)},
        {p + QStringLiteral("Калибровочный коэффициент Iут"), n(c.st_kidif)},
        {p + QStringLiteral("Поправка cos f"), n(c.pcosf)},
        {p + QStringLiteral("Скорость передачи данных для RS485, бод/сек:"),
         item(speeds::relayItems(), c.cb_rs485)},
        {p + QStringLiteral("Протокол передачи данных:"),
         item(config::items::list(config::items::Protocols), c.cb_uprotbus)},
        {p + QStringLiteral("Сетевой адрес:"), n(c.sp_uaddr)},
        {p + QStringLiteral("Время тишины старта Ts, мС:"), n(c.sp_utb)},
        {p + QStringLiteral("Время окончания сообщения Te, мС:"), n(c.sp_ute)},
    };
}

QList<ReportRow> accountingRows(const AccountingTexts& t) {
    return {
        {QStringLiteral("Начало учета (дата/время):"), t.start},
        {QStringLiteral("Наработка оборудования (ч:м:с):"), t.running},
        {QStringLiteral("Количество включений:"), t.switchOns},
        {QStringLiteral("Количество сработанных защит:"), t.trips},
        {QStringLiteral("Потребленная активная энергия, кВтч:"), t.energy},
    };
}

QString versionText() {
    return QStringLiteral(" v") + programVersion();
}

QString proposedFileName(int serial, const QDate& today) {
    return QStringLiteral("КЛИВ_№%1_%2.docx")
        .arg(serial)
        .arg(today.toString(QStringLiteral("ddMM_yy")));
}

bool fill(Document& doc, const ReportData& data, const NumberLocale& loc,
          const std::function<void(int)>& progress) {
    auto mark = [&progress](int value) {
        if (progress)
            progress(value);
    };
    const QString serial = QStringLiteral("  %1  ").arg(data.serial);
    if (!doc.goToBookmark(QStringLiteral("num")) || !doc.typeText(serial))
        return false;
    // Which program read the relay; a template made before this place existed still works.
    if (doc.hasBookmark(VersionBookmark) &&
        (!doc.goToBookmark(VersionBookmark) || !doc.typeText(versionText())))
        return false;

    if (!doc.goToBookmark(QStringLiteral("tab1")))
        return false;
    mark(3);
    for (const EventTexts& row : data.events) {
        for (int c = 0; c < int(row.size()); ++c) {
            const bool state = c == 1 || c == 2; // the relay and equipment columns
            const QString text =
                state ? (row[std::size_t(c)] == QStringLiteral("Вкл.") ? CheckMark : QString())
                      : row[std::size_t(c)];
            if (!doc.moveToNextCell() || (!text.isEmpty() && !doc.typeText(text)))
                return false;
        }
    }
    if (data.events.isEmpty() && (!doc.moveToNextCell() || !doc.typeText(NoEvents)))
        return false;

    mark(5);
    if (!doc.goToBookmark(QStringLiteral("tab2")))
        return false;
    const bool settings = typeTable(doc, settingsRows(data.configuration, loc), [&mark](int i) {
        if (i == StepBeforeIdle)
            mark(6);
        else if (i == StepBeforeInsulation)
            mark(7);
        else if (i == StepBeforeCalibration)
            mark(8);
    });
    if (!settings)
        return false;
    mark(9);
    if (!doc.goToBookmark(QStringLiteral("tab3")) ||
        !typeTable(doc, accountingRows(data.accounting), {}))
        return false;
    mark(10);
    return true;
}

std::unique_ptr<Document> build(const QString& templatePath, const ReportData& data,
                                const NumberLocale& loc, const std::function<void(int)>& progress,
                                QString* error) {
    auto doc = std::make_unique<Document>();
    if (progress)
        progress(1);
    if (!doc->open(templatePath)) {
        *error = doc->errorString();
        return nullptr;
    }
    if (progress)
        progress(2);
    if (!fill(*doc, data, loc, progress)) {
        *error = doc->errorString();
        return nullptr;
    }
    return doc;
}

} // namespace kliv::report
