// The bridge server: its sessions in one file, as Boost.Beast is slow to compile.
#include "engine/bridge_server.h"

#include <unistd.h>

#include <atomic>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <deque>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "engine/bridge_engine.h"
#include "engine/embedded_resources.h"
#include "engine/html_engine.h"
#include "engine/request_text.h"
#include "engine/static_assets.h"
#include "engine/tile_service.h"

namespace dorvath {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;

std::string RandomToken() {
    std::random_device rd;
    static const char* hex = "0123456789abcdef";
    std::string t;
    for (int i = 0; i < 32; ++i) t += hex[rd() & 15];
    return t;
}

class WsSession;

struct BridgeServer::Impl {
    BridgeEngine& engine;
    BridgeOptions opt;
    asio::io_context io;
    tcp::acceptor acceptor{io};
    // Tiles have a port of their own: a browser holds only a few connections per port,
    // and tiles waiting on a slow tile server must never hold up a page, a script or
    // log.xml.
    tcp::acceptor tileAcceptor{io};
    std::thread thread;
    int port = 0;
    int tilePort = 0;
    std::weak_ptr<WsSession> active;
    std::atomic<int> connections{0};
    std::atomic<bool> running{false};
    std::unique_ptr<TileService> tiles;

    Impl(BridgeEngine& e, BridgeOptions o) : engine(e), opt(std::move(o)) {
        if (!opt.tileCacheDir.empty() || !opt.tileServer.empty()) {
            TileService::Options t;
            t.urlTemplate = opt.tileServer;
            t.cacheDir = opt.tileCacheDir.empty() ? DefaultTileCacheDir() : opt.tileCacheDir;
            t.userAgent = opt.userAgent;
            t.maxCacheBytes = opt.tileCacheBytes;
            tiles = std::make_unique<TileService>(std::move(t));
        }
    }
    void accept(tcp::acceptor& on, bool tilePort);
    std::string cookieName() const { return "dorvath_" + std::to_string(port); }

    // 0 when the request may go on, else the refusal status. `at` is the port the request
    // came in on.
    http::status check(const Request& req, int at, bool& tokenInQuery) const;
    Response serve(const Request& req);
    void activate(const std::shared_ptr<WsSession>& s);
    void sendToActive(std::string text, const std::string& coalesceKey);
};

class WsSession : public std::enable_shared_from_this<WsSession> {
  public:
    WsSession(BridgeServer::Impl& server, beast::tcp_stream&& stream)
        : server_(server), ws_(std::move(stream)) {}

    void start(Request req) {
        beast::get_lowest_layer(ws_).expires_never();
        ws_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
        ws_.read_message_max(8 * 1024 * 1024);
        ws_.async_accept(req, [self = shared_from_this()](beast::error_code ec) {
            if (ec) return;
            self->server_.activate(self);
            self->read();
        });
    }

    // A text with a coalescing key replaces nothing but is dropped while one with the
    // same key still waits its turn: the one waiting carries the same kept state. Past
    // kMaxQueuedBytes the page is not reading: the connection is closed (a page that
    // comes back reconnects and is rebuilt).
    void send(std::shared_ptr<const std::string> text, const std::string& key) {
        if (closed_) return;
        if (!key.empty())
            for (size_t i = writing_ ? 1 : 0; i < queue_.size(); ++i)
                if (queue_[i].key == key) return;
        queuedBytes_ += text->size();
        queue_.push_back({std::move(text), key});
        if (queuedBytes_ > kMaxQueuedBytes && queue_.size() > 1) {
            // It cannot even take a close frame: the socket goes, and with it the queue
            // (the text being written stays until its write is cancelled).
            closed_ = true;
            queue_.erase(queue_.begin() + (writing_ ? 1 : 0), queue_.end());
            queuedBytes_ = queue_.empty() ? 0 : queue_.front().text->size();
            beast::error_code ec;
            beast::get_lowest_layer(ws_).socket().close(ec);
            return;
        }
        if (!writing_) write();
    }

    void close() {
        closed_ = true;
        beast::error_code ec;
        ws_.async_close(websocket::close_code::going_away,
                        [self = shared_from_this()](beast::error_code) {});
    }

    bool closed() const { return closed_; }

  private:
    void read() {
        ws_.async_read(buffer_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
            if (ec) {
                self->closed_ = true;
                return;
            }
            if (!self->closed_ && self->ws_.got_text()) {
                std::string text = beast::buffers_to_string(self->buffer_.data());
                self->server_.engine.receive(text);
            }
            self->buffer_.consume(self->buffer_.size());
            self->read();
        });
    }

    void write() {
        writing_ = true;
        ws_.text(true);
        ws_.async_write(asio::buffer(*queue_.front().text),
                        [self = shared_from_this()](beast::error_code ec, std::size_t) {
                            self->writing_ = false;
                            if (self->queue_.empty()) return;  // dropped by close()
                            self->queuedBytes_ -= self->queue_.front().text->size();
                            self->queue_.pop_front();
                            if (ec) {
                                self->queue_.clear();
                                self->queuedBytes_ = 0;
                                self->closed_ = true;
                                return;
                            }
                            if (!self->queue_.empty()) self->write();
                        });
    }

    static constexpr size_t kMaxQueuedBytes = 8 << 20;
    struct Queued {
        std::shared_ptr<const std::string> text;
        std::string key;
    };
    BridgeServer::Impl& server_;
    websocket::stream<beast::tcp_stream> ws_;
    beast::flat_buffer buffer_;
    std::deque<Queued> queue_;
    size_t queuedBytes_ = 0;
    bool writing_ = false;
    bool closed_ = false;
};

class HttpSession : public std::enable_shared_from_this<HttpSession> {
  public:
    HttpSession(BridgeServer::Impl& server, tcp::socket&& socket, bool tilePort)
        : server_(server), stream_(std::move(socket)), tilePort_(tilePort) {}

    void read() {
        parser_.emplace();
        parser_->header_limit(16 * 1024);
        parser_->body_limit(64 * 1024);
        stream_.expires_after(std::chrono::seconds(60));
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](beast::error_code ec, std::size_t) {
                             if (ec) return self->shutdown();
                             self->handle(self->parser_->release());
                         });
    }

  private:
    void handle(Request req) {
        bool tokenInQuery = false;
        http::status refused =
            server_.check(req, tilePort_ ? server_.tilePort : server_.port, tokenInQuery);
        if (refused == http::status::unknown && websocket::is_upgrade(req)) {
            std::string_view target = req.target();
            if (!tilePort_ && target.substr(0, target.find('?')) == "/ws") {
                std::make_shared<WsSession>(server_, std::move(stream_))->start(std::move(req));
                return;
            }
            refused = http::status::not_found;
        }
        // The tile port serves tiles and nothing else. The pages' port still answers a
        // tile asked of it, but our pages ask the tile port.
        if (refused == http::status::unknown && serveTile(req)) return;
        if (refused == http::status::unknown && tilePort_) refused = http::status::not_found;
        Response res;
        if (refused != http::status::unknown) {
            res = Response(refused, req.version());
            res.set(http::field::content_type, "text/plain; charset=utf-8");
            res.body() = refused == http::status::forbidden ? "forbidden\n" : "not found\n";
        } else {
            res = server_.serve(req);
            if (tokenInQuery)
                res.set(http::field::set_cookie, server_.cookieName() + "=" + server_.opt.token +
                                                     "; HttpOnly; SameSite=Strict; Path=/");
        }
        if (res[http::field::cache_control].empty())
            res.set(http::field::cache_control, "no-store");
        reply(std::move(res), req.keep_alive(), req.method() == http::verb::head);
    }

    // /tiles/{z}/{x}/{y}.png: answered later, from the tile service's thread, so a slow
    // tile server never holds this one. A tile waits at most kTileWait here: then the tile
    // seen before, else 504 (the fetch goes on into the cache). A malformed tile path is
    // refused without a fetch.
    bool serveTile(const Request& req) {
        std::string_view target = req.target();
        std::string path;
        std::vector<std::string> segments;
        if (!Decode(target.substr(0, target.find('?')), path) || !SafeSegments(path, segments) ||
            segments.empty() || segments[0] != "tiles")
            return false;
        const bool keepAlive = req.keep_alive(), head = req.method() == http::verb::head;
        const unsigned version = req.version();
        auto key = ParseTilePath(segments);
        if (!key || !server_.tiles) {
            Response res(key ? http::status::not_found : http::status::bad_request, version);
            res.set(http::field::content_type, "text/plain; charset=utf-8");
            res.body() = key ? "not found\n" : "bad tile\n";
            res.set(http::field::cache_control, "no-store");
            reply(std::move(res), keepAlive, head);
            return true;
        }
        auto self = shared_from_this();
        auto answered = std::make_shared<bool>(false);
        auto timer = std::make_shared<asio::steady_timer>(stream_.get_executor(), kTileWait);
        auto answer = [self, keepAlive, head, version, answered,
                       timer](std::optional<TileService::Answer> a) {
            if (*answered) return;
            *answered = true;
            timer->cancel();
            const bool ok = a && a->status == 200;
            Response res(ok  ? http::status::ok
                         : a ? http::status::not_found
                             : http::status::gateway_timeout,
                         version);
            res.set(http::field::content_type, ok ? a->contentType : "text/plain");
            res.set(http::field::cache_control, ok ? "private, max-age=3600" : "no-store");
            if (ok) res.body() = std::move(a->body);
            self->reply(std::move(res), keepAlive, head);
        };
        timer->async_wait([self, answer, k = *key](beast::error_code ec) {
            if (ec) return;
            answer(self->server_.tiles->stale(k));
        });
        server_.tiles->get(*key, [self, answer](TileService::Answer a) {
            asio::post(self->stream_.get_executor(),
                       [answer, a = std::move(a)]() mutable { answer(std::move(a)); });
        });
        return true;
    }

    void reply(Response res, bool keepAlive, bool head) {
        res.set("X-Content-Type-Options", "nosniff");
        res.keep_alive(keepAlive);
        if (head) {
            auto size = res.body().size();
            res.body().clear();
            res.content_length(size);
        } else {
            res.prepare_payload();
        }
        auto sp = std::make_shared<Response>(std::move(res));
        http::async_write(stream_, *sp,
                          [self = shared_from_this(), sp](beast::error_code ec, std::size_t) {
                              if (ec || !sp->keep_alive()) return self->shutdown();
                              self->read();
                          });
    }

    void shutdown() {
        beast::error_code ec;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
    }

    static constexpr auto kTileWait = std::chrono::seconds(3);

    BridgeServer::Impl& server_;
    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    bool tilePort_;
};

http::status BridgeServer::Impl::check(const Request& req, int at, bool& tokenInQuery) const {
    std::string p = std::to_string(at);
    std::string_view host = req[http::field::host];
    if (host != "127.0.0.1:" + p && host != "localhost:" + p) return http::status::forbidden;
    auto origin = req.find(http::field::origin);
    if (origin != req.end()) {
        // Our pages come from the pages' port, whichever port they ask.
        const std::string pages = std::to_string(port);
        std::string_view o = origin->value();
        if (o != "http://127.0.0.1:" + pages && o != "http://localhost:" + pages)
            return http::status::forbidden;
    }
    std::string_view target = req.target();
    size_t q = target.find('?');
    std::string query = q == std::string_view::npos ? "" : std::string(target.substr(q + 1));
    tokenInQuery = SameToken(QueryValue(query, "t"), opt.token);
    bool cookie = SameToken(CookieValue(req[http::field::cookie], cookieName()), opt.token);
    if (!tokenInQuery && !cookie) return http::status::forbidden;
    if (req.method() != http::verb::get && req.method() != http::verb::head)
        return http::status::method_not_allowed;
    return http::status::unknown;
}

Response BridgeServer::Impl::serve(const Request& req) {
    Response res(http::status::ok, req.version());
    std::string_view target = req.target();
    std::string path;
    std::vector<std::string> segments;
    if (!Decode(target.substr(0, target.find('?')), path) || !SafeSegments(path, segments)) {
        res.result(http::status::not_found);
        res.body() = "not found\n";
        return res;
    }
    auto ok = [&](std::string body, const std::string& name) {
        res.set(http::field::content_type, MimeType(name));
        res.body() = std::move(body);
        return res;
    };
    // What does not change while the program runs carries a validator; the compiled-in
    // scripts asked for with their version are kept by the browser for good, the shipped
    // files for a while; pages are prepared (style sheets written in) and asked again.
    const std::string query(target.substr(std::min(target.size(), target.find('?') + 1)));
    auto lasting = [&](std::string body, const std::string& name, bool compiledIn) {
        const bool page = MimeType(name).rfind("text/html", 0) == 0;
        if (page)
            body = PreparedPage(name, body, [this](const std::string& address) {
                std::vector<std::string> at;
                std::string body;
                if (!SafeSegments(address, at) || at.size() != 2 || at[0] != "images" ||
                    !ReadFile(opt.shippedDir, at, body))
                    return std::optional<std::string>();
                return std::optional<std::string>(std::move(body));
            });
        const std::string tag = ContentTag(body);
        res.set(http::field::etag, "\"" + tag + "\"");
        res.set(http::field::cache_control, page ? "no-cache"
                                            : compiledIn && QueryValue(query, "v") == tag
                                                ? "private, max-age=31536000, immutable"
                                            : compiledIn ? "no-cache"
                                                         : "private, max-age=600");
        if (req[http::field::if_none_match] == "\"" + tag + "\"") {
            res.result(http::status::not_modified);
            return res;
        }
        return ok(std::move(body), name);
    };
    if (segments.empty()) {
        // The address opened by the user: on to the top frame's page.
        std::string top = engine.frameStore().page("");
        std::string to = top.empty()                          ? "/blank.html"
                         : top.find('.') == std::string::npos ? "/" + top + ".html"
                                                              : "/" + top;
        res.result(http::status::found);
        res.set(http::field::location, to);
        return res;
    }
    if (segments.size() == 1 && segments[0] == "tile-layer.js") {
        // Where the map page asks for its tiles.
        return ok("window.__dvTilePort = " + std::to_string(tilePort) + ";\n", segments[0]);
    }
    if (segments.size() == 1) {
        if (auto* r = FindEmbeddedFile(segments[0]))
            return lasting(std::string(r->bytes()), segments[0], true);
        // A resource asked for by name and type ("202" is the page 202.html).
        LoadDataRequest q = ClassifyLoadData(segments[0]);
        if (auto* r = FindEmbeddedResource(q.name, q.type))
            return lasting(std::string(r->bytes()), r->file, true);
        for (const std::string& f : opt.dataFiles) {
            std::string body;
            if (f == segments[0] && ReadFile(opt.dataDir, segments, body))
                return ok(std::move(body), f);
        }
    } else if (segments[0] == "Html" || segments[0] == "images" || segments[0] == "help") {
        std::string body;
        if (ReadFile(opt.shippedDir, segments, body))
            return lasting(std::move(body), segments.back(), false);
    } else if (auto folder = opt.folders.find(segments[0]); folder != opt.folders.end()) {
        std::vector<std::string> rest(segments.begin() + 1, segments.end());
        std::string body;
        if (ReadFile(folder->second, rest, body)) return ok(std::move(body), segments.back());
    }
    res.result(http::status::not_found);
    res.set(http::field::content_type, "text/plain; charset=utf-8");
    res.body() = "not found\n";
    return res;
}

void BridgeServer::Impl::accept(tcp::acceptor& on, bool tiles) {
    on.async_accept(asio::make_strand(io), [this, &on, tiles](beast::error_code ec, tcp::socket s) {
        if (!running) return;
        if (!ec) std::make_shared<HttpSession>(*this, std::move(s), tiles)->read();
        accept(on, tiles);
    });
}

void BridgeServer::Impl::activate(const std::shared_ptr<WsSession>& s) {
    // A newer page connection replaces an older one (a reload, a second tab).
    if (auto old = active.lock(); old && old != s) old->close();
    active = s;
    ++connections;
}

void BridgeServer::Impl::sendToActive(std::string text, const std::string& coalesceKey) {
    auto shared = std::make_shared<const std::string>(std::move(text));
    asio::post(io, [this, shared, coalesceKey] {
        if (auto a = active.lock(); a && !a->closed()) a->send(shared, coalesceKey);
    });
}

BridgeServer::BridgeServer(BridgeEngine& engine, BridgeOptions options)
    : impl_(std::make_unique<Impl>(engine, std::move(options))) {
    if (impl_->opt.token.empty()) impl_->opt.token = RandomToken();
    if (impl_->opt.shippedDir.empty()) impl_->opt.shippedDir = ProgramDir();
}

BridgeServer::~BridgeServer() { stop(); }

namespace {
// Listens on 127.0.0.1:port (0: any free port); the port it got.
int Listen(tcp::acceptor& a, int port) {
    beast::error_code ec;
    tcp::endpoint ep(asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port));
    a.open(ep.protocol(), ec);
    if (!ec) a.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec) a.bind(ep, ec);
    if (!ec) a.listen(asio::socket_base::max_listen_connections, ec);
    if (ec)
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port) + ": " +
                                 ec.message());
    return a.local_endpoint().port();
}
}  // namespace

void BridgeServer::start() {
    Impl& s = *impl_;
    s.port = Listen(s.acceptor, s.opt.port);
    s.tilePort = Listen(s.tileAcceptor, 0);
    s.running = true;
    s.engine.setSink([&s](std::string text, const std::string& coalesceKey) {
        s.sendToActive(std::move(text), coalesceKey);
    });
    s.accept(s.acceptor, false);
    s.accept(s.tileAcceptor, true);
    s.thread = std::thread([&s] { s.io.run(); });
}

void BridgeServer::stop() {
    Impl& s = *impl_;
    if (!s.running.exchange(false)) return;
    s.engine.setSink(BridgeEngine::Sink());
    asio::post(s.io, [&s] {
        beast::error_code ec;
        s.acceptor.close(ec);
        s.tileAcceptor.close(ec);
        if (auto a = s.active.lock()) a->close();
    });
    // Give the close frame a moment, then stop whatever is left.
    asio::post(s.io, [&s] { s.io.stop(); });
    if (s.thread.joinable()) s.thread.join();
}

int BridgeServer::port() const { return impl_->port; }
int BridgeServer::tilePort() const { return impl_->tilePort; }
const std::string& BridgeServer::token() const { return impl_->opt.token; }
std::string BridgeServer::url() const {
    return "http://127.0.0.1:" + std::to_string(impl_->port) + "/?t=" + impl_->opt.token;
}
int BridgeServer::connections() const { return impl_->connections.load(); }

}  // namespace dorvath
