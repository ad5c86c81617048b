#include "ui/failed_operation.h"

#include <cstdio>

#include "ui/message_dialog.h"

namespace dorvath {
namespace {

// The first line of the message; the reason follows on the second.
const char* Heading(FailedOperation what) {
    switch (what) {
        case FailedOperation::Export:
            return "エクスポートできませんでした";
        case FailedOperation::TrackFileSave:
            return "トラックファイルを保存できませんでした";
        case FailedOperation::TrackFileOpen:
            return "トラックファイルを読み込めませんでした";
        case FailedOperation::Database:
            return "データベースのエラーです";
        case FailedOperation::Unexpected:
            return "予期しないエラーが起きました";
        default:
            return "";
    }
}

}  // namespace

void EndFailedOperation(HtmlEngine& engine, EventLoop& loop, FailedOperation what,
                        const std::string& reason) {
    switch (what) {
        case FailedOperation::Watch:
            return;  // the sink has shown it
        case FailedOperation::Download:
        case FailedOperation::SettingsFile:
        case FailedOperation::MapLine:
        case FailedOperation::FirmwareFile:
            std::fprintf(stderr, "dorvath: %s\n", reason.c_str());
            return;
        default:
            ShowMessageDialog(engine, loop, kMessagePageExit, Heading(what), reason);
    }
}

}  // namespace dorvath
