#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "engine/bridge_engine.h"
#include "engine/bridge_server.h"
#include "support/bridge_client.h"

namespace dorvath {
namespace {

using json = nlohmann::json;

struct Sink {
    std::mutex mu;
    std::vector<json> batches;
    void operator()(std::string text) {
        std::lock_guard lock(mu);
        batches.push_back(json::parse(text));
    }
    size_t size() {
        std::lock_guard lock(mu);
        return batches.size();
    }
};

class Clicks : public PageHandler {
  public:
    explicit Clicks(HtmlEngine& e) : e_(e) {}
    bool onButtonClick(const ClickEvent& c) override {
        ++clicks;
        e_.setText(c.frame, Id("pong"), "pong " + std::to_string(clicks));
        return false;
    }
    void onLoaded(const FramePath&, const std::string&) override { ++loads; }
    int clicks = 0, loads = 0;

  private:
    HtmlEngine& e_;
};

TEST(Batching, OperationsOfOneTurnGoOutTogetherWithTheLatestValueOnly) {
    EventLoop loop;
    BridgeEngine e(loop);
    Sink sink;
    e.setSink(std::ref(sink));
    loop.postTask([&] {
        e.setStyle("main", Id("tab1"), "display", "none");
        e.setText("main", Id("x"), "1");
        e.setStyle("main", Id("tab1"), "display", "block");
        e.callFunction("main/page1/map", "setCar", {"1"});
        e.callFunction("main/page1/map", "setCar", {"2"});  // calls are never merged
        e.removeAttribute("main", Sel("div.selected"), "class");
        e.removeAttribute("main", Sel("div.selected"), "class");  // nor selector operations
    });
    loop.poll();
    ASSERT_EQ(sink.size(), 1u);
    const json& b = sink.batches[0];
    ASSERT_EQ(b.size(), 6u);
    EXPECT_EQ(b[0]["op"], "text");
    EXPECT_EQ(b[1]["value"], "block");  // moved behind what was set in between
    EXPECT_EQ(b[2]["args"][0], "1");
    EXPECT_EQ(b[3]["args"][0], "2");
    loop.poll();
    EXPECT_EQ(sink.size(), 1u);  // an empty turn sends nothing
}

TEST(Batching, ALoadDropsWhatWasBatchedForThatFrameAndBelow) {
    EventLoop loop;
    BridgeEngine e(loop);
    Sink sink;
    e.setSink(std::ref(sink));
    e.setText("main", Id("a"), "replaced");
    e.setText("main", Id("a"), "gone");
    e.setText("main/page1", Id("b"), "gone");
    e.setText("mainx", Id("c"), "kept");
    FramePath d = e.openDialog("209");
    e.loadPage("main", "202");
    e.setText("main", Id("a"), "new");
    EXPECT_EQ(e.batchSize(), 4u);
    e.flush();
    ASSERT_EQ(sink.size(), 1u);
    std::vector<std::string> ops;
    for (const json& o : sink.batches[0])
        ops.push_back(o["op"].get<std::string>() + ":" + o["frame"].get<std::string>());
    EXPECT_EQ(ops,
              (std::vector<std::string>{"text:mainx", "dialog:" + d, "load:main", "text:main"}));
}

TEST(Batching, AnotherThreadCanFlushWhileTheUiThreadIsBusy) {
    EventLoop loop;
    BridgeEngine e(loop);
    Sink sink;
    e.setSink(std::ref(sink));
    std::thread busy([&] {
        e.setText("dlg/1", Id("t"), "Loading.");
        e.flush();
    });
    busy.join();
    EXPECT_EQ(sink.size(), 1u);
}

TEST(Replay, AReadyFrameGetsItsKeptStateAtOnce) {
    EventLoop loop;
    BridgeEngine e(loop);
    Sink sink;
    e.setSink(std::ref(sink));
    Clicks page(e);
    e.events().attach("main", &page);
    e.loadPage("main", "202");
    e.setText("main", Id("x"), "kept");
    e.flush();
    sink.batches.clear();
    // The UI thread does not turn: the answer comes from the receiving thread.
    e.receive(R"({"ev":"ready","frame":"main","page":"202"})");
    ASSERT_EQ(sink.size(), 1u);
    const json& b = sink.batches[0];
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0]["value"], "kept");
    EXPECT_EQ(b[1]["op"], "replayed");
    EXPECT_EQ(page.loads, 0);
    loop.poll();
    EXPECT_EQ(page.loads, 1);
}

TEST(Replay, AFrameShowingAnotherPageIsToldToLoadTheRightOne) {
    EventLoop loop;
    BridgeEngine e(loop);
    Sink sink;
    e.setSink(std::ref(sink));
    e.loadPage("main", "202");
    e.flush();
    e.receive(R"({"ev":"ready","frame":"main","page":"blank"})");
    ASSERT_EQ(sink.size(), 2u);
    EXPECT_EQ(sink.batches[1][0], json({{"op", "load"}, {"frame", "main"}, {"page", "202"}}));
    e.receive("not json");
    e.receive(R"({"ev":"ready"})");
    EXPECT_EQ(sink.size(), 2u);
}

class ServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("dv-bridge-" + RandomToken().substr(0, 8));
        std::filesystem::create_directories(dir_ / "data");
        std::filesystem::create_directories(dir_ / "shipped" / "images");
        std::ofstream(dir_ / "data" / "log.xml") << "<markers/>";
        std::ofstream(dir_ / "data" / "velcan.db") << "secret";
        std::ofstream(dir_ / "shipped" / "images" / "a.png") << "png";
        BridgeOptions o;
        o.dataDir = dir_ / "data";
        o.shippedDir = dir_ / "shipped";
        server_ = std::make_unique<BridgeServer>(engine_, o);
        server_->start();
    }
    void TearDown() override {
        server_->stop();
        std::filesystem::remove_all(dir_);
    }
    std::string cookie() const {
        return "dorvath_" + std::to_string(server_->port()) + "=" + server_->token();
    }
    template <typename P>
    bool turnUntil(P pred) {
        for (int i = 0; i < 1000 && !pred(); ++i) loop_.runFor(5);
        return pred();
    }

    std::filesystem::path dir_;
    EventLoop loop_;
    BridgeEngine engine_{loop_};
    std::unique_ptr<BridgeServer> server_;
};

TEST_F(ServerTest, RefusesRequestsWithoutTheTokenOrFromElsewhere) {
    int port = server_->port();
    EXPECT_EQ(BridgeClient::get(port, "/201.html").status, 403);
    EXPECT_EQ(BridgeClient::get(port, "/?t=" + server_->token(),
                                {{"Host", "localhost.evil:" + std::to_string(port)}})
                  .status,
              403);
    EXPECT_EQ(BridgeClient::get(port, "/log.xml", {{"Cookie", cookie()}, {"Origin", "http://evil"}})
                  .status,
              403);
    HttpAnswer first = BridgeClient::get(port, "/?t=" + server_->token());
    EXPECT_EQ(first.status, 302);
    EXPECT_NE(first.headers["set-cookie"].find("HttpOnly"), std::string::npos);
    EXPECT_EQ(BridgeClient::get(port, "/log.xml", {{"Cookie", cookie()}}).body, "<markers/>");
    EXPECT_EQ(BridgeClient::get(port, "/velcan.db", {{"Cookie", cookie()}}).status, 404);
    EXPECT_EQ(BridgeClient::get(port, "/images/a.png", {{"Cookie", cookie()}}).body, "png");
    // Compiled-in resources by file name, or by name alone for a page.
    HttpAnswer js = BridgeClient::get(port, "/runtime.js", {{"Cookie", cookie()}});
    EXPECT_EQ(js.status, 200);
    EXPECT_NE(js.headers["content-type"].find("javascript"), std::string::npos);
    EXPECT_EQ(BridgeClient::get(port, "/blank", {{"Cookie", cookie()}}).status, 200);
    EXPECT_EQ(BridgeClient::get(port, "/nothing.html", {{"Cookie", cookie()}}).status, 404);
    for (const char* p : {"/images/../log.xml", "/images/%2e%2e/log.xml", "/../data/log.xml",
                          "/images/..%2f..%2fdata%2flog.xml", "/images%2f..%2flog.xml", "/%"})
        EXPECT_EQ(BridgeClient::get(port, p, {{"Cookie", cookie()}}).status, 404) << p;
    BridgeClient ws;
    EXPECT_FALSE(ws.connect(port, "wrong"));
}

TEST_F(ServerTest, AClickTravelsToTheUiThreadAndItsOperationComesBack) {
    Clicks page(engine_);
    engine_.events().attach("", &page);
    engine_.loadPage("", "201");
    engine_.flush();  // before any page is there: only the kept state remains
    BridgeClient c;
    ASSERT_TRUE(c.connect(server_->port(), server_->token()));
    c.send(R"({"ev":"ready","frame":"","page":"201"})");
    auto replay = c.receive();
    ASSERT_TRUE(replay);
    EXPECT_EQ(json::parse(*replay).back()["op"], "replayed");
    c.send(R"({"ev":"click","frame":"","id":"ping","attrs":{"id":"ping"}})");
    ASSERT_TRUE(turnUntil([&] { return page.clicks == 1; }));
    auto ops = c.receive();
    ASSERT_TRUE(ops);
    json j = json::parse(*ops);
    ASSERT_EQ(j.size(), 1u);
    EXPECT_EQ(j[0]["value"], "pong 1");
}

TEST_F(ServerTest, ANewerConnectionReplacesTheOlderAndIsRebuilt) {
    engine_.loadPage("", "201");
    engine_.setText("", Id("caption"), "DORVATH");
    engine_.flush();
    BridgeClient a, b;
    ASSERT_TRUE(a.connect(server_->port(), server_->token()));
    a.send(R"({"ev":"ready","frame":"","page":"201"})");
    ASSERT_TRUE(a.receive());
    ASSERT_TRUE(b.connect(server_->port(), server_->token()));
    EXPECT_FALSE(a.receive(2000));  // closed by the server
    b.send(R"({"ev":"ready","frame":"","page":"201"})");
    auto replay = b.receive();
    ASSERT_TRUE(replay);
    json j = json::parse(*replay);
    EXPECT_EQ(j[0]["value"], "DORVATH");
    // Operations now go to the newer page only.
    engine_.setText("", Id("caption"), "again");
    engine_.flush();
    auto next = b.receive();
    ASSERT_TRUE(next);
    EXPECT_EQ(json::parse(*next)[0]["value"], "again");
    EXPECT_EQ(server_->connections(), 2);
}

// A page that sends and never reads: the replays of its many "ready"s wait as one, and
// once a few MB of operations wait for it the connection is closed (its memory with it).
TEST_F(ServerTest, AClientThatDoesNotReadIsCutOffAndItsReplaysCoalesce) {
    const std::string big(100000, 'x');
    engine_.loadPage("", "201");
    engine_.setText("", Id("caption"), big);
    engine_.flush();
    BridgeClient c;
    ASSERT_TRUE(c.connect(server_->port(), server_->token()));
    constexpr int kReadies = 3000, kBatches = 600;  // 300 MB and 60 MB unread
    for (int i = 0; i < kReadies; ++i) c.send(R"({"ev":"ready","frame":"","page":"201"})");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    for (int i = 0; i < kBatches; ++i) {
        engine_.setText("", Id("t" + std::to_string(i)), big);
        engine_.flush();
    }
    int replays = 0, batches = 0;
    while (auto m = c.receive(5000))
        (m->find("replayed") != std::string::npos ? replays : batches)++;
    EXPECT_FALSE(c.isOpen());
    EXPECT_GT(replays, 0);
    EXPECT_LT(replays, kReadies / 3);
    EXPECT_LT(batches, kBatches);
}

}  // namespace
}  // namespace dorvath
