#pragma once
// HTTP and one WebSocket on 127.0.0.1 for the pages: serves the compiled-in pages and
// runtime, the shipped folders beside the executable and the data folder's files the
// pages read, and carries operations and events. Every request needs the token (in the
// address, or the cookie set by the first page load), the server's own Host and, when
// sent, its own Origin; a path that leaves its folder is not found.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace dorvath {

class BridgeEngine;

struct BridgeOptions {
    int port = 0;                      // 0: any free port
    std::string token;                 // empty: a fresh random one
    std::filesystem::path shippedDir;  // holds Html/, images/, help/
    std::filesystem::path dataDir;     // holds the files below
    std::vector<std::string> dataFiles{"log.xml"};
    // More folders served under a name of their own ({"test", dir}: /test/...), for a
    // program made of other parts (the end-to-end tests' own frame).
    std::map<std::string, std::filesystem::path> folders;
    // Map tiles under /tiles/{z}/{x}/{y}.png on a port of their own: fetched from this
    // template ({z}, {x}, {y}) into the cache folder (default: the XDG cache), which is
    // kept within tileCacheBytes. Both empty: no tiles.
    std::string tileServer;
    std::filesystem::path tileCacheDir;
    std::uint64_t tileCacheBytes = 500ull << 20;
    std::string userAgent = "DORVATH";
};

class BridgeServer {
  public:
    BridgeServer(BridgeEngine& engine, BridgeOptions options);
    ~BridgeServer();
    BridgeServer(const BridgeServer&) = delete;
    BridgeServer& operator=(const BridgeServer&) = delete;

    // Binds and starts the server's thread. Throws std::runtime_error when the port is taken.
    void start();
    void stop();

    int port() const;
    int tilePort() const;  // where /tiles/... are served (the pages learn it from /tile-layer.js)
    const std::string& token() const;
    std::string url() const;  // http://127.0.0.1:PORT/?t=TOKEN
    int connections() const;  // WebSocket connections accepted so far

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

// A random token of 32 hex digits.
std::string RandomToken();

}  // namespace dorvath
