// Under Wine the tests' simulated relay is the Linux program on a pseudo-terminal. This
// stand-in, built under the simulator's name for the Windows tests, has the Wine test run's
// broker (scripts/windows/simbroker) start it with the same arguments, prints what the
// simulator printed first, with the COM port its terminal was mapped to in place of the
// device, and lives as long as the simulator does. Asked to close (QProcess::terminate()
// posts WM_CLOSE), it has the broker stop the simulator; a heartbeat file tells the broker
// it is still there, since a killed process cannot say goodbye.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// The test names its files (a --link, a --log-file) by Windows paths; the Linux simulator
// needs the Unix names of the same files, which Wine's kernel32 gives.
std::string unixName(const std::string& arg) {
    const bool drivePath = arg.size() > 2 && arg[1] == ':' && (arg[2] == '/' || arg[2] == '\\');
    using ToUnix = char*(__cdecl*)(const wchar_t*);
    static const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!drivePath || !toUnix)
        return arg;
    std::wstring wide(arg.size(), L'\0');
    wide.resize(
        MultiByteToWideChar(CP_ACP, 0, arg.data(), int(arg.size()), wide.data(), int(wide.size())));
    char* unixPath = toUnix(wide.c_str());
    const std::string name = unixPath ? unixPath : arg;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return name;
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

int main(int argc, char* argv[]) {
    const char* spoolVar = std::getenv("KLIV_SIM_SPOOL");
    if (!spoolVar) {
        std::fprintf(stderr, "KLIV_SIM_SPOOL is not set: no simulator broker to ask\n");
        return 2;
    }
    const fs::path spool(spoolVar);
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string id = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(now);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // the queue WM_CLOSE is posted to
    const fs::path alive = spool / (id + ".alive");
    std::ofstream(alive).put('\n');
    {
        std::ofstream args(spool / (id + ".tmp"), std::ios::binary);
        for (int i = 1; i < argc; ++i)
            args << unixName(argv[i]) << '\n';
    }
    fs::rename(spool / (id + ".tmp"), spool / (id + ".req"));

    const fs::path started = spool / (id + ".started");
    const fs::path gone = spool / (id + ".gone");
    bool printed = false;
    for (int beat = 0;; ++beat) {
        if (!printed && fs::exists(started)) {
            std::fputs(slurp(started).c_str(), stdout);
            std::fflush(stdout);
            printed = true;
        }
        if (fs::exists(gone))
            return std::atoi(slurp(gone).c_str());
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_CLOSE) {
                std::ofstream(spool / (id + ".stop")).put('\n');
                return 0;
            }
        }
        if (beat % 10 == 0)
            fs::last_write_time(alive, fs::file_time_type::clock::now());
        Sleep(20);
    }
}
