// A .reg file as the registry stand-in reads it: any content either parses
// or fails with a kv::Error; what parses exports and parses back the same.
#include <cstdint>
#include <string>

#include "adapters/regfile/reg_format.hpp"
#include "support/error.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    kv::reg::RegTree tree;
    try {
        kv::regfile::Parse(content, "fuzz.reg", tree);
    } catch (const kv::Error&) {
        return 0;
    }
    const std::string exported = kv::regfile::Export(tree);
    kv::reg::RegTree again;
    kv::regfile::Parse(exported, "fuzz.reg", again);  // our own output always parses
    if (kv::regfile::Export(again) != exported) __builtin_trap();
    return 0;
}
