#pragma once
// A camera as PipeWire lists it (a Video/Source node), and which one to stream.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct PipeWireCameraNode {
    uint32_t id = 0;
    std::string serial;       // object.serial: unlike the id, never reused
    std::string name;         // node.name
    std::string description;  // node.description
    std::string role;         // media.role

    // True when `wanted` names this node (node.name, node.description or object.serial); an
    // empty `wanted` names every camera.
    bool isNamed(const std::string& wanted) const;
    // Among `nodes` (in the order they appeared) the one `wanted` names, one whose media.role is
    // "Camera" before others, the earliest first. Null when none is named.
    static const PipeWireCameraNode* choose(const std::vector<PipeWireCameraNode>& nodes, const std::string& wanted);
};

}  // namespace platform
