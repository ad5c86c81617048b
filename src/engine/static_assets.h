#pragma once
// How the server hands out what does not change while it runs (the pages, the runtime, the
// shipped pictures and libraries): each with a validator (ETag), the runtime and the other
// compiled-in scripts under a content-versioned address that the browser keeps, and the
// pages with their style sheets written in, so that nested frames fetch nothing twice.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace dorvath {

// A short tag of some bytes (64-bit FNV-1a in hex): the version in "runtime.js?v=TAG".
std::string ContentTag(std::string_view bytes);

// A shipped file by its address ("/images/play.svg"), nullopt when there is none.
using ShippedReader = std::function<std::optional<std::string>(const std::string& address)>;

// A page as the browser gets it: each <link rel="stylesheet" href="X"> of a compiled-in
// style sheet replaced by the sheet itself, each src="X" of a compiled-in script given its
// version ("runtime.js?v=TAG"), each icon <span class="ico" style="--img:url(X.svg)">
// given its picture inline (a picture of its own costs the browser a document each), and
// an iframe hidden with style="display:none" given its address as data-dv-src instead of
// src: the runtime loads it once the page in view is up; and the runtime deferred in a
// page that has no script of its own. Compiled-in pages are prepared once.
std::string PreparedPage(std::string_view name, std::string_view html,
                         const ShippedReader& shipped);

}  // namespace dorvath
