#include "ui/device_message_sink.h"

#include "ui/message_dialog.h"

namespace dorvath {

void DialogMessageSink::showMessage(const std::string& text) {
    ShowMessageDialog(engine_, loop_, kMessagePageExit, text);
}

}  // namespace dorvath
