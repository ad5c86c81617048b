#pragma once
// A window for the pages under test: it records what they ask of it, and answers the file
// chooser with what the test set.
#include <optional>
#include <string>
#include <vector>

#include "ui/frame_host.h"

namespace dorvath::test {

class TestFrameHost : public FrameHost {
  public:
    void minimize() override { ++minimized; }
    void moveResize(const Rect& r) override { moves.push_back(r); }
    Rect desktopRect() const override { return desktop; }
    std::optional<Rect> taskbarRect() const override { return taskbar; }
    void close() override { ++closed; }
    void openShippedFile(const std::string& p) override { opened.push_back(p); }
    bool hasFileChooser() const override { return native; }
    FileChoice chooseFile(const FileDialogSpec& spec) override {
        asked.push_back(spec);
        return answer;
    }

    int minimized = 0, closed = 0;
    std::vector<Rect> moves;
    std::vector<std::string> opened;
    Rect desktop{0, 0, 1920, 1080};
    std::optional<Rect> taskbar;
    bool native = false;  // the desktop's chooser, answering `answer`
    FileChoice answer;
    std::vector<FileDialogSpec> asked;
};

}  // namespace dorvath::test
