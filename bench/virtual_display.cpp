// Starts a private Xvfb on a free display number, which the server picks and reports itself.
#include "virtual_display.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void runServer(int displayFd, const char* screen, pid_t parent) {
    // The server must not outlive the benchmark, however the benchmark ends.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    dup2(quiet, STDERR_FILENO);
    const std::string fd = std::to_string(displayFd);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
           "-noreset", static_cast<char*>(nullptr));
    _exit(127);
}

// The display number the server writes once it accepts clients; empty when it wrote none.
std::string readDisplayNumber(int fd) {
    std::string number;
    char c;
    while (read(fd, &c, 1) == 1 && c != '\n') number += c;
    return number;
}

}  // namespace

bool startVirtualDisplay(const char* screen) {
    int ends[2];
    if (pipe(ends) != 0) return false;
    const pid_t parent = getpid();
    const pid_t server = fork();
    if (server < 0) return false;
    if (server == 0) {
        close(ends[0]);
        runServer(ends[1], screen, parent);
    }
    close(ends[1]);
    const std::string number = readDisplayNumber(ends[0]);
    close(ends[0]);
    if (number.empty()) {
        waitpid(server, nullptr, 0);
        return false;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return true;
}
