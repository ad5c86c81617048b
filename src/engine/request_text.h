#pragma once
// What the bridge server reads from a request and the files it serves, apart from Beast
// (which is slow to compile): tokens, escapes, query and cookie values, safe paths.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace dorvath {

// The folder of the running program (the current folder when it cannot be read).
std::filesystem::path ProgramDir();
// Compares in a time that does not depend on where the two differ; an empty token never
// matches.
bool SameToken(std::string_view a, std::string_view b);
// Percent-decodes; false on a malformed escape.
bool Decode(std::string_view in, std::string& out);
// The decoded value of name in a query ("a=1&b=2"), empty when absent.
std::string QueryValue(std::string_view query, std::string_view name);
// The value of the cookie name in a Cookie header, empty when absent.
std::string CookieValue(std::string_view cookies, std::string_view name);
// Splits a decoded path into its segments; false when any segment could leave its folder or
// is not a plain name.
bool SafeSegments(const std::string& path, std::vector<std::string>& segments);
// The Content-Type of a file by its extension.
std::string MimeType(const std::string& file);
// The bytes of root/rel..., when that is a regular file inside root (links included).
bool ReadFile(const std::filesystem::path& root, const std::vector<std::string>& rel,
              std::string& out);

}  // namespace dorvath
