#include "engine/embedded_resources.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "engine/html_engine.h"

namespace dorvath {
namespace {

TEST(EmbeddedResources, TheRuntimeLoadsItsModulesAndEveryImportIsThere) {
    const EmbeddedResource* js = FindEmbeddedFile("runtime.js");
    ASSERT_NE(js, nullptr);
    EXPECT_NE(js->bytes().find("import('./js/start.js')"), std::string_view::npos);
    EXPECT_NE(FindEmbeddedFile("runtime.css"), nullptr);
    // Every module named in an import of another is compiled in beside it.
    std::vector<std::string> names{"start.js"};
    std::set<std::string> seen;
    while (!names.empty()) {
        std::string name = names.back();
        names.pop_back();
        if (!seen.insert(name).second) continue;
        const EmbeddedResource* m = FindEmbeddedFile("js/" + name);
        ASSERT_NE(m, nullptr) << name;
        std::string text(m->bytes());
        std::regex import(R"(from '\./([a-z]+\.js)';|^import '\./([a-z]+\.js)';)",
                          std::regex::multiline);
        for (std::sregex_iterator it(text.begin(), text.end(), import), end; it != end; ++it)
            names.push_back((*it)[1].matched ? (*it)[1].str() : (*it)[2].str());
    }
    EXPECT_GE(seen.size(), 10u);
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
