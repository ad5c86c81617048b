#include "ui/device_message_sink.h"

#include "ui/message_dialog.h"

namespace dorvath {

void DialogMessageSink::showMessage(const std::string& text) {
    ShowMessageText(engine_, loop_, text);
}

}  // namespace dorvath
