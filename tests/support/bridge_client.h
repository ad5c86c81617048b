#pragma once
// A blocking client of the bridge, playing the page's side: for the tests and the
// benchmark of the bridge.
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace dorvath {

struct HttpAnswer {
    int status = 0;
    std::string body;
    std::map<std::string, std::string> headers;  // lower-case names
};

class BridgeClient {
  public:
    BridgeClient();
    ~BridgeClient();
    BridgeClient(const BridgeClient&) = delete;
    BridgeClient& operator=(const BridgeClient&) = delete;

    // Opens the WebSocket with the token's cookie and our own Origin. False when refused.
    bool connect(int port, const std::string& token);
    void send(const std::string& text);
    // The next message, or nullopt after timeoutMs or when the server closed.
    std::optional<std::string> receive(int timeoutMs = 5000);
    void close();
    bool isOpen() const;

    // One plain HTTP GET with extra headers (Host defaults to the server's own).
    static HttpAnswer get(int port, const std::string& target,
                          const std::map<std::string, std::string>& headers = {});

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace dorvath
