#include "ui/device_message_sink.h"

#include "ui/failed_operation.h"

namespace dorvath {

void DialogMessageSink::showMessage(const std::string& text) {
    ShowMessageText(engine_, loop_, text);
}

}  // namespace dorvath
