#include "engine/embedded_resources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "engine/html_engine.h"
#include "engine/static_assets.h"

namespace dorvath {
namespace {

// The runtime reaches the browser as one classic script: every module of the runtime is
// bundled into it (the bundler's account of its inputs says so), nothing is left to
// import, and it runs once however often a page has it.
TEST(EmbeddedResources, TheRuntimeIsOneScriptHoldingEveryModule) {
    const EmbeddedResource* js = FindEmbeddedFile("runtime.js");
    ASSERT_NE(js, nullptr);
    const std::string text(js->bytes());
    EXPECT_EQ(text.rfind("if (!window.__dvRuntime)", 0), 0u);
    EXPECT_EQ(std::regex_search(text, std::regex(R"((^|;)\s*(import|export)[\s{])")), false);
    std::ifstream in(std::string(DORVATH_BINARY_DIR) + "/src/engine/runtime.meta.json");
    const nlohmann::json meta = nlohmann::json::parse(in, nullptr, false);
    ASSERT_TRUE(meta.contains("inputs"));
    size_t modules = 0;
    for (const auto& m : std::filesystem::directory_iterator(std::string(DORVATH_SOURCE_DIR) +
                                                             "/resources/runtime/js")) {
        ++modules;
        EXPECT_TRUE(meta["inputs"].contains("resources/runtime/js/" + m.path().filename().string()))
            << m.path();
    }
    EXPECT_GE(modules, 10u);
    EXPECT_EQ(FindEmbeddedFile("js/start.js"), nullptr);
    EXPECT_NE(FindEmbeddedFile("runtime.css"), nullptr);
}

TEST(EmbeddedResources, PagesAreFoundByTheLoadDataRulesNameAndType) {
    for (const char* url : {"res:201.html", "202", "res:204.HTML", "205.html"}) {
        LoadDataRequest r = ClassifyLoadData(url);
        const EmbeddedResource* page = FindEmbeddedResource(r.name, r.type);
        ASSERT_NE(page, nullptr) << url;
        EXPECT_NE(page->bytes().find("<html"), std::string_view::npos) << url;
    }
    EXPECT_NE(FindEmbeddedResource("runtime", "JS"), nullptr);
    EXPECT_EQ(FindEmbeddedResource("runtime", "HTML"), nullptr);
    EXPECT_EQ(FindEmbeddedFile("../201.html"), nullptr);
}

// What the browser gets of a page: its compiled-in sheet written in, the runtime deferred
// under its version, the hidden frame and the icon prepared; a page with a script of its
// own keeps the runtime where it is.
TEST(StaticAssets, PagesArePreparedSoNestedFramesFetchNothingTwice) {
    const std::string page =
        "<link rel=\"stylesheet\" href=\"runtime.css\"><script src=\"runtime.js\"></script>"
        "<span class=\"ico\" style=\"--img:url(/images/x.svg)\"></span>"
        "<iframe name=\"a\" src=\"205.html\" style=\"display:none\"></iframe>"
        "<iframe name=\"b\" src=\"204.html\"></iframe>";
    const std::string tag = ContentTag(FindEmbeddedFile("runtime.js")->bytes());
    const std::string out = PreparedPage("test.html", page, [](const std::string& address) {
        return address == "/images/x.svg" ? std::optional<std::string>("<svg><path/></svg>\n")
                                          : std::nullopt;
    });
    EXPECT_EQ(out.find("<link"), std::string::npos);
    EXPECT_NE(out.find("<style>\n" + std::string(FindEmbeddedFile("runtime.css")->bytes())),
              std::string::npos);
    EXPECT_NE(out.find("<script defer src=\"runtime.js?v=" + tag + "\"></script>"),
              std::string::npos);
    EXPECT_NE(out.find("<span class=\"ico inline\"><svg><path/></svg></span>"), std::string::npos);
    EXPECT_NE(out.find("<iframe name=\"a\" data-dv-src=\"205.html\""), std::string::npos);
    EXPECT_NE(out.find("<iframe name=\"b\" src=\"204.html\""), std::string::npos);
    const std::string own = PreparedPage("own.html", page + "<script>go()</script>", nullptr);
    EXPECT_NE(own.find("<script src=\"runtime.js?v="), std::string::npos);
}

}  // namespace
}  // namespace dorvath
