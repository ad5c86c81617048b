#pragma once
// Running another program from a test: its exit status and what it printed.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace dorvath::test {

struct ProcessResult {
    int status = -1;  // exit status, -1 when it did not exit normally
    std::string out;  // standard output
};

// Runs a shell command line; the caller quotes its arguments with Quote().
inline ProcessResult RunProcess(const std::string& command) {
    ProcessResult r;
    std::FILE* p = ::popen(command.c_str(), "r");
    if (!p) return r;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = ::pclose(p);
    r.status = (st != -1 && WIFEXITED(st)) ? WEXITSTATUS(st) : -1;
    return r;
}

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
inline std::string Quote(const std::filesystem::path& p) { return Quote(p.string()); }

inline bool HaveProgram(const char* name) {
    return RunProcess(std::string("command -v ") + name + " >/dev/null 2>&1").status == 0;
}

}  // namespace dorvath::test
