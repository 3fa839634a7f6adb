#pragma once
// The kestrova executable's whole life: options, script, then the window or headless host.
#include <string>
#include <vector>

namespace host {

// `args` without the program name. Returns the process's exit status.
int hostMain(const std::vector<std::string>& args);

}  // namespace host
