#include "support/bridge_client.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>

namespace dorvath {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;

struct BridgeClient::Impl {
    asio::io_context io;
    std::unique_ptr<websocket::stream<beast::tcp_stream>> ws;
    beast::flat_buffer buffer;
    bool open = false;
};

BridgeClient::BridgeClient() : impl_(std::make_unique<Impl>()) {}
BridgeClient::~BridgeClient() { close(); }

bool BridgeClient::connect(int port, const std::string& token) {
    close();
    Impl& c = *impl_;
    c.io.restart();
    c.ws = std::make_unique<websocket::stream<beast::tcp_stream>>(c.io);
    beast::error_code ec;
    tcp::endpoint ep(asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port));
    beast::get_lowest_layer(*c.ws).socket().connect(ep, ec);
    if (ec) return false;
    beast::get_lowest_layer(*c.ws).socket().set_option(tcp::no_delay(true), ec);
    std::string origin = "http://127.0.0.1:" + std::to_string(port);
    c.ws->set_option(websocket::stream_base::decorator([&](websocket::request_type& req) {
        req.set(http::field::origin, origin);
        req.set(http::field::cookie, "dorvath_" + std::to_string(port) + "=" + token);
    }));
    c.ws->read_message_max(64 * 1024 * 1024);
    c.ws->handshake("127.0.0.1:" + std::to_string(port), "/ws", ec);
    c.open = !ec;
    return c.open;
}

void BridgeClient::send(const std::string& text) {
    if (!impl_->open) return;
    beast::error_code ec;
    impl_->ws->text(true);
    impl_->ws->write(asio::buffer(text), ec);
    if (ec) impl_->open = false;
}

std::optional<std::string> BridgeClient::receive(int timeoutMs) {
    Impl& c = *impl_;
    if (!c.open) return std::nullopt;
    std::optional<std::string> out;
    bool done = false;
    c.buffer.consume(c.buffer.size());
    c.ws->async_read(c.buffer, [&](beast::error_code ec, std::size_t) {
        done = true;
        if (ec) {
            c.open = false;
            return;
        }
        out = beast::buffers_to_string(c.buffer.data());
    });
    c.io.restart();
    c.io.run_for(std::chrono::milliseconds(timeoutMs));
    if (!done) {
        // Timed out: the pending read is cancelled by dropping the connection.
        beast::get_lowest_layer(*c.ws).cancel();
        c.io.restart();
        c.io.run();
        c.open = false;
    }
    return out;
}

void BridgeClient::close() {
    Impl& c = *impl_;
    if (c.ws && c.open) {
        beast::error_code ec;
        c.ws->close(websocket::close_code::normal, ec);
    }
    c.open = false;
    c.ws.reset();
}

bool BridgeClient::isOpen() const { return impl_->open; }

HttpAnswer BridgeClient::get(int port, const std::string& target,
                             const std::map<std::string, std::string>& headers) {
    HttpAnswer a;
    asio::io_context io;
    beast::tcp_stream stream(io);
    beast::error_code ec;
    stream.socket().connect(
        tcp::endpoint(asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port)), ec);
    if (ec) return a;
    http::request<http::empty_body> req(http::verb::get, target, 11);
    req.set(http::field::host, "127.0.0.1:" + std::to_string(port));
    for (const auto& [k, v] : headers) req.set(k, v);
    http::write(stream, req, ec);
    if (ec) return a;
    beast::flat_buffer buffer;
    http::response<http::string_body> res;
    http::read(stream, buffer, res, ec);
    if (ec) return a;
    a.status = static_cast<int>(res.result_int());
    a.body = res.body();
    for (const auto& f : res) {
        std::string name(f.name_string());
        for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        a.headers[name] = std::string(f.value());
    }
    return a;
}

}  // namespace dorvath
