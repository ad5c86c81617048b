#include "engine/embedded_resources.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/html_engine.h"

namespace dorvath {
namespace {

TEST(EmbeddedResources, TheRuntimeIsOneJoinedScript) {
    const EmbeddedResource* js = FindEmbeddedFile("runtime.js");
    ASSERT_NE(js, nullptr);
    std::string_view text = js->bytes();
    EXPECT_EQ(text.substr(0, 2), "//");
    EXPECT_NE(text.find("(function () {"), std::string_view::npos);
    EXPECT_NE(text.rfind("})();"), std::string_view::npos);
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

}  // namespace
}  // namespace dorvath
