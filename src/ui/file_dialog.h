#pragma once
// The open and save dialogs of our own (page "filedlg"): the folders of this machine
// listed by C++ and shown through the engine, the filter pairs, the default extension,
// the overwrite prompt and the 260-character path limit of file_choice.h.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/event_loop.h"
#include "engine/html_engine.h"
#include "ui/file_choice.h"

namespace dorvath {

class CFileDialog : public PageHandler {
  public:
    CFileDialog(HtmlEngine& engine, EventLoop& loop, FileDialogSpec spec);
    ~CFileDialog() override;
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // UI thread: runs the dialog modally; the chosen path, or none when cancelled.
    std::optional<std::filesystem::path> run();

    const FramePath& frame() const { return frame_; }
    const std::filesystem::path& folder() const { return folder_; }
    const std::vector<FolderEntry>& entries() const { return entries_; }
    int filterIndex() const { return filter_; }

    bool onButtonClick(const ClickEvent& e) override;
    void onPageCommand(const CommandEvent& e) override;
    void onFormChange(const FramePath& frame, const std::string& name) override;

  private:
    void show(const std::filesystem::path& folder);
    void relist();
    void accept();
    void finish(std::optional<std::filesystem::path> result);
    int entryIndex(const std::string& id) const;  // "fde<N>" -> N, -1 otherwise
    void message(int page, const std::string& text1, const std::string& text2 = {});

    HtmlEngine& engine_;
    EventLoop& loop_;
    FileDialogSpec spec_;
    FramePath frame_;
    ModalLoop modal_;
    std::filesystem::path folder_;
    std::vector<FolderEntry> entries_;
    int filter_ = 0;
    std::optional<std::filesystem::path> result_;
};

std::optional<std::filesystem::path> ShowFileDialog(HtmlEngine& engine, EventLoop& loop,
                                                    const FileDialogSpec& spec);

// The open and save dialog for this window: the desktop's own when the host has one, with
// the rules of ours applied to its answer (the default extension, the overwrite prompt for
// a name the extension changed, the path limit); else our HTML dialog. A spec that names
// no folder starts in the one last chosen in this window.
class FrameHost;
std::optional<std::filesystem::path> ShowFileDialog(FrameHost& host, HtmlEngine& engine,
                                                    EventLoop& loop, const FileDialogSpec& spec);

// The filter pairs the pages use.
std::vector<FileFilter> FiltersFor(const std::string& label, const std::string& ext);

}  // namespace dorvath
