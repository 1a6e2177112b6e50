// Text streams write UTF-8; a Windows console shows it as such only with its output code
// page set to UTF-8. The console belongs to the shell that started the program, so its own
// page is given back at exit.
#include <windows.h>

namespace {

struct Utf8Console {
    const UINT previous = GetConsoleOutputCP(); // 0 without a console
    Utf8Console() {
        if (previous != 0)
            SetConsoleOutputCP(CP_UTF8);
    }
    ~Utf8Console() {
        if (previous != 0)
            SetConsoleOutputCP(previous);
    }
};

const Utf8Console console;

} // namespace
