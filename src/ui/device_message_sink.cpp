#include "ui/device_message_sink.h"

#include "ui/message_dialog.h"

namespace dorvath {

void DialogMessageSink::showMessage(const std::string& text) {
    const size_t nl = text.find('\n');
    if (nl == std::string::npos)
        ShowMessageDialog(engine_, loop_, kMessagePageExit, text);
    else
        ShowMessageDialog(engine_, loop_, kMessagePageExit, text.substr(0, nl),
                          text.substr(nl + 1));
}

}  // namespace dorvath
