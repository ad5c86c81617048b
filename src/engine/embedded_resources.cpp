#include "engine/embedded_resources.h"

#include <cctype>
#include <string>

namespace dorvath {

const EmbeddedResource* FindEmbeddedFile(std::string_view file) {
    for (const EmbeddedResource* r = EmbeddedResourceTable(); r->file; ++r)
        if (file == r->file) return r;
    return nullptr;
}

const EmbeddedResource* FindEmbeddedResource(std::string_view name, std::string_view type) {
    for (const EmbeddedResource* r = EmbeddedResourceTable(); r->file; ++r) {
        std::string_view f = r->file;
        size_t dot = f.rfind('.');
        std::string_view n = f.substr(0, dot);
        std::string t;
        if (dot != std::string_view::npos)
            for (char c : f.substr(dot + 1))
                t += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (t.empty() || t == "HTM") t = "HTML";
        if (n == name && t == type) return r;
    }
    return nullptr;
}

}  // namespace dorvath
