#include "app/linebinding.h"

#include "link/engine.h"
#include "model/line.h"

#include <memory>

namespace kliv {

void bindLine(model::Line& line, Engine& engine) {
    line.setSerial(engine.serial());
    line.setSpeedIndex(engine.speedIndex());
    line.setRetries(engine.retries());

    auto following = std::make_shared<bool>(false); // the engine's own speed on its way in
    QObject::connect(&engine, &Engine::speedIndexChanged, &line, [&line, following](int index) {
        *following = true;
        line.setSpeedIndex(index);
        *following = false;
    });
    QObject::connect(&line, &model::Line::speedIndexChanged, &engine,
                     [&engine, following](int index) {
                         if (!*following)
                             engine.setSpeedIndex(index);
                     });
    QObject::connect(&line, &model::Line::portChanged, &engine, &Engine::setPortName);
    QObject::connect(&line, &model::Line::serialChanged, &engine, &Engine::setSerial);
    QObject::connect(&line, &model::Line::retriesChanged, &engine, &Engine::setRetries);
}

} // namespace kliv
