#include "ui/file_dialog.h"

#include <system_error>

#include "ui/frame_host.h"
#include "ui/message_dialog.h"

namespace dorvath {

namespace fs = std::filesystem;

namespace {

std::string EscapeHtml(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

std::vector<FileFilter> FiltersFor(const std::string& label, const std::string& ext) {
    return {{label + " (*." + ext + ")", "*." + ext}, {"All Files (*.*)", "*.*"}};
}

CFileDialog::CFileDialog(HtmlEngine& engine, EventLoop& loop, FileDialogSpec spec)
    : engine_(engine), loop_(loop), spec_(std::move(spec)), modal_(loop) {
    if (spec_.filters.empty()) spec_.filters.push_back({"All Files (*.*)", "*.*"});
}

CFileDialog::~CFileDialog() {
    if (!frame_.empty()) engine_.events().detach(frame_, this);
}

std::optional<fs::path> CFileDialog::run() {
    const bool save = spec_.mode == FileDialogMode::Save;
    frame_ = engine_.openDialog("filedlg");
    engine_.events().attach(frame_, this);

    std::string title = spec_.title;
    if (title.empty()) title = save ? "名前を付けて保存" : "ファイルを開く";
    engine_.setText(frame_, Id("fdTitle"), title);
    engine_.setText(frame_, Id("fdOk"), save ? "保存" : "開く");
    std::string options;
    for (std::size_t i = 0; i < spec_.filters.size(); ++i)
        options += "<option value=\"" + std::to_string(i) + "\">" +
                   EscapeHtml(spec_.filters[i].label) + "</option>";
    engine_.setHtml(frame_, Id("fdFilter"), options);
    filter_ = 0;
    engine_.input().fillForm(
        frame_, {{"filter", FormValue(std::int64_t{0})}, {"filename", FormValue(std::string())}});

    fs::path start = spec_.initialFolder;
    std::error_code ec;
    if (start.empty() || !fs::is_directory(start, ec)) start = HomeFolder();
    show(start);

    engine_.flush();
    loop_.runModal(modal_);
    engine_.events().detach(frame_, this);
    engine_.closeDialog(frame_);
    engine_.flush();
    frame_.clear();
    return result_;
}

void CFileDialog::show(const fs::path& folder) {
    folder_ = folder.lexically_normal();
    if (folder_.has_relative_path() && folder_.filename().empty())
        folder_ = folder_.parent_path();  // "a/b/" -> "a/b"
    engine_.setText(frame_, Id("fdPath"), folder_.string());
    relist();
}

void CFileDialog::relist() {
    bool readable = true;
    const std::string& pattern = spec_.filters[filter_].pattern;
    entries_ = ListFolder(folder_, pattern, &readable);
    std::string html;
    if (!readable)
        html = "<div class=\"fdnote\">このフォルダーは開けません</div>";
    else if (entries_.empty())
        html = "<div class=\"fdnote\">該当するファイルはありません</div>";
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const FolderEntry& e = entries_[i];
        html += "<div class=\"fdentry ";
        html += e.folder ? "fddir" : "fdfile";
        html += "\" id=\"fde" + std::to_string(i) + "\"><span class=\"ico\"></span>" +
                EscapeHtml(e.name) + "</div>";
    }
    engine_.setHtml(frame_, Id("fdList"), html);
}

int CFileDialog::entryIndex(const std::string& id) const {
    if (id.size() < 4 || id.compare(0, 3, "fde") != 0) return -1;
    int n = 0;
    for (std::size_t i = 3; i < id.size(); ++i) {
        if (id[i] < '0' || id[i] > '9' || n > 1'000'000) return -1;
        n = n * 10 + (id[i] - '0');
    }
    return n < static_cast<int>(entries_.size()) ? n : -1;
}

bool CFileDialog::onButtonClick(const ClickEvent& e) {
    if (e.id == "fdOk") {
        accept();
    } else if (e.id == "fdCancel") {
        finish(std::nullopt);
    } else if (e.id == "fdUp") {
        if (folder_.has_parent_path() && folder_.parent_path() != folder_)
            show(folder_.parent_path());
    } else if (e.id == "fdHome") {
        show(HomeFolder());
    } else {
        return false;
    }
    return true;
}

void CFileDialog::onPageCommand(const CommandEvent& e) {
    std::string id = e.id;
    bool open = e.doubleClick;
    if (id.size() > 3 && id.compare(id.size() - 3, 3, "MDC") == 0) {
        id.resize(id.size() - 3);
        open = true;
    }
    int n = entryIndex(id);
    if (n < 0) return;
    const FolderEntry entry = entries_[n];
    if (entry.folder) {
        if (open) {
            show(folder_ / entry.name);
            engine_.input().fillForm(frame_, {{"filename", FormValue(std::string())}});
        }
        return;
    }
    // Filling also updates the form mirror, so accept() reads this name.
    engine_.input().fillForm(frame_, {{"filename", FormValue(entry.name)}});
    if (open) accept();
}

void CFileDialog::onFormChange(const FramePath& frame, const std::string& name) {
    if (frame != frame_ || name != "filter") return;
    FormMap m = engine_.input().collectForm(frame_);
    auto it = m.find("filter");
    int f = it == m.end() ? 0 : static_cast<int>(FormInt(it->second));
    if (f < 0 || f >= static_cast<int>(spec_.filters.size())) f = 0;
    if (f == filter_) return;
    filter_ = f;
    relist();
}

void CFileDialog::message(int page, const std::string& text1, const std::string& text2) {
    ShowMessageDialog(engine_, loop_, page, text1, text2);
}

void CFileDialog::accept() {
    FormMap m = engine_.input().collectForm(frame_);
    auto it = m.find("filename");
    std::string typed = it == m.end() ? std::string() : FormText(it->second);
    if (auto f = m.find("filter"); f != m.end()) {
        int idx = static_cast<int>(FormInt(f->second));
        if (idx >= 0 && idx < static_cast<int>(spec_.filters.size())) filter_ = idx;
    }
    Choice c = ResolveChoice(folder_, typed, spec_, filter_);
    std::string name = c.path.filename().string();
    switch (c.kind) {
        case ChoiceKind::Empty:
            return;
        case ChoiceKind::Folder:
            show(c.path);
            engine_.input().fillForm(frame_, {{"filename", FormValue(std::string())}});
            return;
        case ChoiceKind::TooLong:
            message(kMessagePageExit, "ファイル名が長すぎます。",
                    "パスは259文字以内にしてください。");
            return;
        case ChoiceKind::NotFound:
            message(kMessagePageExit, name + " が見つかりません。",
                    "ファイル名を確認してください。");
            return;
        case ChoiceKind::NoFolder:
            message(kMessagePageExit, "保存先のフォルダーが見つかりません。",
                    c.path.parent_path().string());
            return;
        case ChoiceKind::File:
            break;
    }
    if (spec_.mode == FileDialogMode::Save && c.exists && spec_.overwritePrompt &&
        ShowMessageDialog(engine_, loop_, kMessagePageYesNo, name + " は既に存在します。",
                          "上書きしますか？") != 1)
        return;
    finish(c.path);
}

void CFileDialog::finish(std::optional<fs::path> result) {
    if (modal_.ended()) return;
    result_ = std::move(result);
    modal_.end(result_ ? 1 : 0);
}

namespace {

// The desktop's chooser, its answer held to our rules.
std::optional<fs::path> ChooseOnDesktop(FrameHost& host, HtmlEngine& engine, EventLoop& loop,
                                        FileDialogSpec s) {
    if (s.title.empty())
        s.title = s.mode == FileDialogMode::Save ? "名前を付けて保存" : "ファイルを開く";
    std::error_code ec;
    if (s.initialFolder.empty() || !fs::is_directory(s.initialFolder, ec))
        s.initialFolder = HomeFolder();
    FrameHost::FileChoice c = host.chooseFile(s);
    if (!c.path) return std::nullopt;
    fs::path p = *c.path;
    if (s.mode == FileDialogMode::Save) {
        // The chooser confirmed the name as typed; one the extension changes is asked again.
        const std::string name = p.filename().string();
        const std::string full = WithDefaultExtension(name, s, c.filterIndex);
        if (full != name) {
            p = p.parent_path() / full;
            if (s.overwritePrompt && fs::exists(p, ec) &&
                ShowMessageDialog(engine, loop, kMessagePageYesNo, full + " は既に存在します。",
                                  "上書きしますか？") != 1)
                return std::nullopt;
        }
    }
    if (!FitsPathBuffer(p)) {
        ShowMessageDialog(engine, loop, kMessagePageExit, "ファイル名が長すぎます。",
                          "パスは259文字以内にしてください。");
        return std::nullopt;
    }
    return p;
}

}  // namespace

std::optional<fs::path> ShowFileDialog(FrameHost& host, HtmlEngine& engine, EventLoop& loop,
                                       const FileDialogSpec& spec) {
    FileDialogSpec s = spec;
    if (s.initialFolder.empty()) s.initialFolder = host.lastChosenFolder;
    std::optional<fs::path> p = host.hasFileChooser() ? ChooseOnDesktop(host, engine, loop, s)
                                                      : ShowFileDialog(engine, loop, s);
    if (p) host.lastChosenFolder = p->parent_path();
    return p;
}

std::optional<fs::path> ShowFileDialog(HtmlEngine& engine, EventLoop& loop,
                                       const FileDialogSpec& spec) {
    CFileDialog dlg(engine, loop, spec);
    return dlg.run();
}

}  // namespace dorvath
