#pragma once
// Runs the built dorvath executable with arguments and collects its output and status.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/process.h"

namespace dorvath::test {

struct CommandResult {
    int status = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

inline std::string DorvathExe() {
    const char* b = std::getenv("DORVATH_BINARY");
    return std::string(b ? b : ".") + "/dorvath";
}

inline CommandResult RunDorvath(const std::vector<std::string>& args) {
    char errName[] = "/tmp/dorvath-err-XXXXXX";
    int fd = mkstemp(errName);
    if (fd >= 0) close(fd);
    std::string cmd = Quote(DorvathExe());
    for (const auto& a : args) cmd += " " + Quote(a);
    const ProcessResult p = RunProcess(cmd + " 2>" + errName + " </dev/null");
    std::ifstream e(errName, std::ios::binary);
    CommandResult r{p.status, p.out, {std::istreambuf_iterator<char>(e), {}}};
    std::remove(errName);
    return r;
}

// dorvath started with args, its standard error readable from `err` (and its standard
// output from `out` when asked for); as nobody when asked and running as root.
struct StartedDorvath {
    pid_t pid = -1;
    int err = -1;
    int out = -1;
    // Reads standard output until `text` has come (or to its end); all read so far.
    std::string readOutUntil(const std::string& text) {
        char buf[512];
        while (outText.find(text) == std::string::npos) {
            ssize_t n = ::read(out, buf, sizeof buf);
            if (n <= 0) break;
            outText.append(buf, static_cast<size_t>(n));
        }
        return outText;
    }
    std::string outText;
    // Reads standard error until the first line (or all of it).
    std::string read(bool firstLineOnly) {
        std::string text;
        char buf[512];
        while (!firstLineOnly || text.find('\n') == std::string::npos) {
            ssize_t n = ::read(err, buf, sizeof buf);
            if (n <= 0) break;
            text.append(buf, static_cast<size_t>(n));
        }
        return text;
    }
    void kill(int signal) const { ::kill(pid, signal); }
    int wait() {
        int status = 0;
        waitpid(pid, &status, 0);
        close(err);
        if (out >= 0) close(out);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

inline StartedDorvath StartDorvath(std::vector<std::string> args, bool asNobody = false,
                                   bool readOut = false) {
    int fds[2];
    int outFds[2] = {-1, -1};
    if (pipe(fds) != 0) return {};
    if (readOut && pipe(outFds) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 2);
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(readOut ? outFds[1] : null, 1);
        if (readOut) close(outFds[0]);
        // A shell that started the tests in the background may have left SIGINT ignored;
        // the program would keep it so, and a test's Ctrl+C would not reach it.
        signal(SIGINT, SIG_DFL);
        if (asNobody && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(126);
        std::string exe = DorvathExe();
        std::vector<char*> argv{exe.data()};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    close(fds[1]);
    if (readOut) close(outFds[1]);
    StartedDorvath started;
    started.pid = pid;
    started.err = fds[0];
    started.out = outFds[0];
    return started;
}

}  // namespace dorvath::test
