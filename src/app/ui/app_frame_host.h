#pragma once
// The frame page's window: the desktop window when there is one, else the browser tab.
#include "engine/app_frame.h"
#include "ui/frame_geometry.h"
#include "ui/frame_host.h"

namespace dorvath {

class DesktopWindow;
class CTopFrameWnd;

// The desktop window the application runs in, or null in browser mode. Set before the
// frame is created.
void SetAppDesktopWindow(DesktopWindow* w);
DesktopWindow* AppDesktopWindow();

// The frame, for the desktop window's thread: its hit test, under a lock that the
// frame's end also takes, so a press during shut-down finds no frame rather than a
// dead one.
void SetAppTopFrame(CTopFrameWnd* top);
FrameZone AppHitTest(int x, int y);
// The window moved or changed size (screen coordinates); any thread.
void AppWindowRect(const Rect& r);

class AppFrameHost : public FrameHost {
  public:
    AppFrameHost(AppContext& ctx, DesktopWindow* window) : ctx_(ctx), window_(window) {}

    void minimize() override;
    void moveResize(const Rect& r) override;
    Rect desktopRect() const override;
    std::optional<Rect> taskbarRect() const override;
    void close() override { ctx_.close(); }
    void openShippedFile(const std::string& relativePath) override;
    std::string mapServiceAddress() const override;
    bool hasFileChooser() const override { return window_ != nullptr; }
    FileChoice chooseFile(const FileDialogSpec& spec) override;

  private:
    AppContext& ctx_;
    DesktopWindow* window_;
};

}  // namespace dorvath
