#pragma once
// The rules of the open and save dialogs, apart from any page: filter pairs, the default
// extension, the 260-character path limit, and what a typed name resolves to.
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace dorvath {

// A filter pair as the pages name it: "GPX Files (*.gpx)" / "*.gpx". A pattern may list
// several globs separated by ";".
struct FileFilter {
    std::string label;
    std::string pattern;
};

enum class FileDialogMode { Open, Save };

struct FileDialogSpec {
    FileDialogMode mode = FileDialogMode::Open;
    std::vector<FileFilter> filters;
    std::string defaultExt;  // without the dot: "gpx"
    bool overwritePrompt = true;
    std::string title;  // empty: "ファイルを開く" / "名前を付けて保存"
    std::filesystem::path initialFolder;  // empty: the last folder used, else home
};

// Paths are limited as the watch program's path buffers were: 260 UTF-16 characters with
// the terminating zero, so 259 characters of path.
inline constexpr std::size_t kPathBufferChars = 260;

// UTF-16 length of a UTF-8 text (a malformed byte counts as one character).
std::size_t Utf16Length(const std::string& utf8);
bool FitsPathBuffer(const std::filesystem::path& p);

// The patterns of one list ("*.gpx; *.trk" gives "*.gpx", "*.trk"), blanks trimmed.
std::vector<std::string> SplitPatterns(const std::string& pattern);

// Case-insensitive glob match of a file name against one pattern list ("*.gpx;*.trk").
// "*" matches any run of characters, "?" one character; "*.*" matches every name.
bool MatchesFilter(const std::string& fileName, const std::string& pattern);

// The extension a filter stands for ("gpx" for "*.gpx"); empty for "*.*", "*" or a list.
std::string FilterExtension(const std::string& pattern);

// A typed name without an extension gets the chosen filter's extension, else the default
// one. A name that has an extension keeps it; "name." keeps its name without one.
std::string WithDefaultExtension(const std::string& name, const FileDialogSpec& spec,
                                 int filterIndex);

enum class ChoiceKind {
    Empty,     // nothing typed
    Folder,    // the name is a folder: show it
    File,      // accept this path (save: it may exist; see exists)
    TooLong,   // beyond the path buffer
    NotFound,  // open: no such file
    NoFolder,  // save: the folder to save in does not exist
};

struct Choice {
    ChoiceKind kind = ChoiceKind::Empty;
    std::filesystem::path path;
    bool exists = false;  // File: a file of that name is there already
};

// What the name typed in `folder` means. Absolute names and names with folders in them
// are taken as they are; "~" starts at the home folder.
Choice ResolveChoice(const std::filesystem::path& folder, const std::string& typed,
                     const FileDialogSpec& spec, int filterIndex);

struct FolderEntry {
    std::string name;
    bool folder = false;
};

// The folders and the files that match `pattern` in dir, folders first, each group sorted
// without regard to case; hidden names (leading ".") left out. An unreadable folder gives
// none and sets readable false. At most `limit` entries.
std::vector<FolderEntry> ListFolder(const std::filesystem::path& dir, const std::string& pattern,
                                    bool* readable = nullptr, std::size_t limit = 5000);

std::filesystem::path HomeFolder();

}  // namespace dorvath
