#pragma once

namespace kliv {

class Engine;
namespace model {
class Line;
}

// The engine follows the line the windows show; the line shows the speed the engine
// moves itself (a serial number's preset, a search, a speed change following the
// relay) without handing it back as a pick of the user's, which would end the poll.
// The line starts as the engine stands.
void bindLine(model::Line& line, Engine& engine);

} // namespace kliv
