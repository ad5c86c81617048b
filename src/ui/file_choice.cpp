#include "ui/file_choice.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace dorvath {

namespace fs = std::filesystem;

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string s) {
    for (char& c : s) c = Lower(c);
    return s;
}

// Iterative glob with backtracking to the last "*": linear in practice, no recursion.
bool Glob(const std::string& name, const std::string& pat) {
    std::size_t n = 0, p = 0, star = std::string::npos, mark = 0;
    while (n < name.size()) {
        if (p < pat.size() && (pat[p] == '?' || Lower(pat[p]) == Lower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pat.size() && pat[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == '*') ++p;
    return p == pat.size();
}

bool HasExtension(const std::string& fileName) {
    std::size_t dot = fileName.rfind('.');
    return dot != std::string::npos && dot > 0;
}

}  // namespace

std::vector<std::string> SplitPatterns(const std::string& pattern) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= pattern.size()) {
        std::size_t end = pattern.find(';', start);
        if (end == std::string::npos) end = pattern.size();
        std::string one = pattern.substr(start, end - start);
        one.erase(0, one.find_first_not_of(' '));
        one.erase(one.find_last_not_of(' ') + 1);
        if (!one.empty()) out.push_back(one);
        start = end + 1;
    }
    return out;
}

std::size_t Utf16Length(const std::string& utf8) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        std::size_t len = c < 0x80           ? 1
                          : (c >> 5) == 0x6  ? 2
                          : (c >> 4) == 0xE  ? 3
                          : (c >> 3) == 0x1E ? 4
                                             : 0;
        bool ok = len != 0 && i + len <= utf8.size();
        for (std::size_t k = 1; ok && k < len; ++k)
            ok = (static_cast<unsigned char>(utf8[i + k]) & 0xC0) == 0x80;
        if (!ok) {
            ++units;
            ++i;
            continue;
        }
        units += len == 4 ? 2 : 1;
        i += len;
    }
    return units;
}

bool FitsPathBuffer(const fs::path& p) { return Utf16Length(p.string()) < kPathBufferChars; }

bool MatchesFilter(const std::string& fileName, const std::string& pattern) {
    for (const std::string& one : SplitPatterns(pattern))
        if (one == "*.*" || Glob(fileName, one)) return true;
    return false;
}

std::string FilterExtension(const std::string& pattern) {
    auto parts = SplitPatterns(pattern);
    if (parts.size() != 1) return {};
    const std::string& p = parts[0];
    if (p.size() < 3 || p.compare(0, 2, "*.") != 0) return {};
    std::string ext = p.substr(2);
    if (ext.find_first_of("*?./") != std::string::npos) return {};
    return ext;
}

std::string WithDefaultExtension(const std::string& name, const FileDialogSpec& spec,
                                 int filterIndex) {
    std::string leaf = fs::path(name).filename().string();
    if (leaf.empty()) return name;
    if (leaf.back() == '.') return name.substr(0, name.size() - 1);
    if (HasExtension(leaf)) return name;
    std::string ext;
    if (filterIndex >= 0 && filterIndex < static_cast<int>(spec.filters.size()))
        ext = FilterExtension(spec.filters[filterIndex].pattern);
    if (ext.empty()) ext = spec.defaultExt;
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    return ext.empty() ? name : name + "." + ext;
}

fs::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home);
    std::error_code ec;
    fs::path cwd = fs::current_path(ec);
    return ec ? fs::path("/") : cwd;
}

Choice ResolveChoice(const fs::path& folder, const std::string& typed, const FileDialogSpec& spec,
                     int filterIndex) {
    Choice c;
    std::string name = typed;
    name.erase(0, name.find_first_not_of(" \t"));
    name.erase(name.find_last_not_of(" \t") + 1);
    if (name.empty()) return c;

    fs::path raw;
    if (name == "~" || name.rfind("~/", 0) == 0)
        raw = HomeFolder() / name.substr(name.size() > 1 ? 2 : 1);
    else if (fs::path(name).is_absolute())
        raw = fs::path(name);
    else
        raw = folder / name;
    raw = raw.lexically_normal();

    std::error_code ec;
    if (fs::is_directory(raw, ec)) {
        c.kind = ChoiceKind::Folder;
        c.path = raw;
        return c;
    }
    fs::path full = fs::path(WithDefaultExtension(raw.string(), spec, filterIndex));
    c.path = full;
    if (!FitsPathBuffer(full)) {
        c.kind = ChoiceKind::TooLong;
        return c;
    }
    c.exists = fs::exists(full, ec) && !fs::is_directory(full, ec);
    if (fs::is_directory(full, ec)) {  // "name" + default extension names a folder
        c.kind = ChoiceKind::Folder;
        return c;
    }
    if (spec.mode == FileDialogMode::Open) {
        // A name typed without an extension may also be an existing file as it is.
        if (!c.exists && fs::is_regular_file(raw, ec)) {
            c.path = raw;
            c.exists = true;
        }
        c.kind = c.exists ? ChoiceKind::File : ChoiceKind::NotFound;
        return c;
    }
    fs::path parent = full.parent_path();
    c.kind = fs::is_directory(parent, ec) ? ChoiceKind::File : ChoiceKind::NoFolder;
    return c;
}

std::vector<FolderEntry> ListFolder(const fs::path& dir, const std::string& pattern, bool* readable,
                                    std::size_t limit) {
    std::vector<FolderEntry> folders, files;
    std::error_code ec;
    fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
    if (readable) *readable = !ec;
    if (ec) return {};
    for (fs::directory_iterator end; it != end && folders.size() + files.size() < limit;
         it.increment(ec)) {
        if (ec) break;
        std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        std::error_code e2;
        if (it->is_directory(e2))
            folders.push_back({name, true});
        else if (MatchesFilter(name, pattern))
            files.push_back({name, false});
    }
    auto byName = [](const FolderEntry& a, const FolderEntry& b) {
        std::string la = LowerAscii(a.name), lb = LowerAscii(b.name);
        return la != lb ? la < lb : a.name < b.name;
    };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    folders.insert(folders.end(), files.begin(), files.end());
    return folders;
}

}  // namespace dorvath
