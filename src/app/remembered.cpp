#include "app/remembered.h"

#include "link/engine.h"
#include "model/line.h"

#include <QDir>

namespace kliv {

namespace {

struct OldKey {
    QLatin1String old;
    QLatin1String now;
};
constexpr OldKey OldKeys[] = {{QLatin1String("cmbPorts"), key::Port},
                              {QLatin1String("frm1_zn"), key::Serial},
                              {QLatin1String("cb_speed"), key::Speed},
                              {QLatin1String("sp_retries"), key::Retries},
                              {QLatin1String("geometry"), key::Geometry}};

void keep(QLatin1String key, const QVariant& value) {
    rememberedSettings()->setValue(key, value);
}

} // namespace

std::unique_ptr<QSettings> rememberedSettings() {
    const QString dir = qEnvironmentVariable("KLIV_DATA_DIR");
    if (!dir.isEmpty())
        return std::make_unique<QSettings>(QDir(dir).filePath(QStringLiteral("settings.ini")),
                                           QSettings::IniFormat);
    return std::make_unique<QSettings>(QStringLiteral("kliv-service"),
                                       QStringLiteral("kliv-service"));
}

void carryOverOldKeys(QSettings& settings) {
    for (const auto& [old, now] : OldKeys) {
        if (!settings.contains(old))
            continue;
        if (!settings.contains(now))
            settings.setValue(now, settings.value(old));
        settings.remove(old);
    }
}

void rememberLine(model::Line& line, bool portGiven) {
    const auto s = rememberedSettings();
    if (s->contains(key::Serial))
        line.setSerial(s->value(key::Serial).toInt());
    if (s->contains(key::Speed))
        line.setSpeedIndex(s->value(key::Speed).toInt());
    if (!portGiven)
        line.pickPort(s->value(key::Port).toString());
    if (s->contains(key::Retries))
        line.setRetries(qBound(0, s->value(key::Retries).toInt(), Engine::MaxRetries));

    QObject::connect(&line, &model::Line::portChanged,
                     [](const QString& p) { keep(key::Port, p); });
    QObject::connect(&line, &model::Line::serialChanged, [](int n) { keep(key::Serial, n); });
    QObject::connect(&line, &model::Line::speedIndexChanged, [](int i) { keep(key::Speed, i); });
    QObject::connect(&line, &model::Line::retriesChanged, [](int n) { keep(key::Retries, n); });
}

QRect heldToScreen(const QRect& window, const QRect& available) {
    QRect held(window.topLeft(), window.size().boundedTo(available.size()));
    held.moveLeft(qBound(available.left(), held.left(), available.right() - held.width() + 1));
    held.moveTop(qBound(available.top(), held.top(), available.bottom() - held.height() + 1));
    return held;
}

} // namespace kliv
