// The strings-table parser on arbitrary bytes (UTF-8, UTF-16 with either byte-order mark).
#include "platform/foundation/StringsTable.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto table = platform::StringsTable::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    (void)table.lookup("ABOUT_BODY");
    (void)table.lookup("");
    (void)table.complete();
    return 0;
}
