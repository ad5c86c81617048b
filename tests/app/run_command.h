#pragma once
// Runs the built dorvath executable with arguments and collects its output and status.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline CommandResult RunDorvath(const std::vector<std::string>& args) {
    char errName[] = "/tmp/dorvath-err-XXXXXX";
    int fd = mkstemp(errName);
    if (fd >= 0) close(fd);
    std::string cmd = Quote(DorvathExe());
    for (const auto& a : args) cmd += " " + Quote(a);
    cmd += " 2>" + std::string(errName) + " </dev/null";
    CommandResult r;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        std::array<char, 4096> buf;
        size_t n;
        while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
        int st = pclose(p);
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    if (FILE* e = fopen(errName, "r")) {
        std::array<char, 4096> buf;
        size_t n;
        while ((n = fread(buf.data(), 1, buf.size(), e)) > 0) r.err.append(buf.data(), n);
        fclose(e);
    }
    std::remove(errName);
    return r;
}

}  // namespace dorvath::test
