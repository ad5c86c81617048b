#pragma once
// The page and runtime files compiled into the executable, found by file name
// ("201.html", "runtime.js") or by the load-data rules' name and type ("201", "HTML").
#include <cstddef>
#include <string_view>

namespace dorvath {

struct EmbeddedResource {
    const char* file;
    const unsigned char* data;
    std::size_t size;
    std::string_view bytes() const { return {reinterpret_cast<const char*>(data), size}; }
};

// Ends with an entry whose file is nullptr.
const EmbeddedResource* EmbeddedResourceTable();
const EmbeddedResource* FindEmbeddedFile(std::string_view file);
const EmbeddedResource* FindEmbeddedResource(std::string_view name, std::string_view type);

}  // namespace dorvath
