// kliv-cli writes the same bytes on Windows as on Linux: UTF-8, lines ended as the program
// ends them (LF; CR LF in CSV, which asks for it). The C streams' text mode would turn
// these into CR LF and CR CR LF. A console shows UTF-8 only with its output code page set
// to it; the console belongs to the shell that started the program, so its own page is
// given back at exit.
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

struct Console {
    const UINT previous = GetConsoleOutputCP(); // 0 without a console
    Console() {
        _setmode(_fileno(stdout), _O_BINARY);
        _setmode(_fileno(stderr), _O_BINARY);
        if (previous != 0)
            SetConsoleOutputCP(CP_UTF8);
    }
    ~Console() {
        if (previous != 0)
            SetConsoleOutputCP(previous);
    }
};

const Console console;

} // namespace
