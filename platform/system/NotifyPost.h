#pragma once
// System-wide notifications by name, for other processes (the home screen rereads its
// preferences on "com.apple.language.changed"). On this device the post is logged as
// "notify NAME". False, with nothing logged, for an empty name or one with spaces or control
// characters. Any thread.
#include <string>

namespace platform {

bool notifyPost(const std::string& name);

}  // namespace platform
