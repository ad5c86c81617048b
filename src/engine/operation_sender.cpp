#include "engine/operation_sender.h"

#include "engine/bridge_protocol.h"
#include "engine/frame_store.h"

namespace dorvath {

const std::string& Operation::op() const {
    return body.at(protocol::key::kOp).get_ref<const std::string&>();
}

const FramePath& Operation::frame() const {
    return body.at(protocol::key::kFrame).get_ref<const std::string&>();
}

void OperationSender::send(const std::string& key, nlohmann::json body) {
    submit_(Operation{key, std::move(body)});
}

void OperationSender::sendKept(const FramePath& f, const std::string& key, nlohmann::json body) {
    kept_.keep(f, key, body);
    send(key, std::move(body));
}

void OperationSender::sendAddressed(const FramePath& f, const Element& e, const std::string& key,
                                    nlohmann::json body) {
    if (!e.id.empty()) return sendKept(f, key, std::move(body));
    // The lower tabs remove the class of "div.selected", then set it on another tab: such
    // operations are replayed in their order.
    kept_.append(f, key, body);
    send({}, std::move(body));
}

}  // namespace dorvath
