#include "platform/camera/PipeWireCameraNode.h"

namespace platform {

bool PipeWireCameraNode::isNamed(const std::string& wanted) const {
    return wanted.empty() || wanted == name || wanted == description || wanted == serial;
}

const PipeWireCameraNode* PipeWireCameraNode::choose(const std::vector<PipeWireCameraNode>& nodes,
                                                     const std::string& wanted) {
    const PipeWireCameraNode* best = nullptr;
    for (const auto& n : nodes) {
        if (!n.isNamed(wanted)) continue;
        if (n.role == "Camera") return &n;
        if (!best) best = &n;
    }
    return best;
}

}  // namespace platform
