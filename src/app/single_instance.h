#pragma once
// One running DORVATH per data folder: an flock on a file in the folder decides who is
// first; the first listens on a local socket beside it, so that a second start can ask
// it to come to the front and learn its address.
#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace dorvath {

class SingleInstance {
  public:
    explicit SingleInstance(std::filesystem::path dataDir);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    enum class Acquire { Acquired, HeldByAnother, Failed };
    // Acquired when this process is now the one instance for the folder; HeldByAnother
    // when a running copy holds it; Failed when the folder cannot be used at all
    // (error() says why).
    Acquire acquire();
    const std::string& error() const { return error_; }

    // First instance: answer activation requests on a thread of our own. The handler runs
    // on that thread (post to the UI thread from it); its text goes back to the asker.
    bool listen(std::function<std::string()> onActivate);

    // Second instance: ask the first to come to the front. Its answer, or nullopt when it
    // did not answer in time (it may still be starting).
    std::optional<std::string> activateFirst(int timeoutMs = 3000);

    std::filesystem::path socketPath() const;

  private:
    void serve();

    std::filesystem::path dir_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    int wakeFd_[2] = {-1, -1};
    std::thread thread_;
    std::function<std::string()> onActivate_;
    std::string error_;
};

}  // namespace dorvath
