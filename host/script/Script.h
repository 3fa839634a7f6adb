#pragma once
// An input script: every line parsed and checked before the application starts, so a typo on
// line 40 stops the host at once instead of after 39 commands have run.
#include "host/script/ScriptCommand.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

struct ScriptResult;

class Script {
public:
    using Result = ScriptResult;

    static Result parse(std::string_view text);
    // Reads and parses a regular file of at most kMaxScriptBytes (a FIFO or a device is refused
    // without being opened); a file that cannot be read is an error too.
    static Result load(const std::filesystem::path& file);

    const std::vector<ScriptCommand>& commands() const { return commands_; }
    // True when the last command is quit.
    bool endsWithQuit() const;

    // Screen size in points and the fingers the scripts may name (0 to kFingers - 1).
    static constexpr double kScreenWidth = 320, kScreenHeight = 480;
    static constexpr int kFingers = 10;
    // Longest single wait or gesture, so a typo ("wait 3000000") cannot spin the virtual clock for days.
    static constexpr double kMaxSeconds = 3600;
    static constexpr size_t kMaxScriptBytes = size_t(16) << 20;

private:
    std::vector<ScriptCommand> commands_;
};

struct ScriptResult {
    std::optional<Script> script;
    std::string error;  // "script:LINE: what is wrong" when parsing failed
};

}  // namespace host
