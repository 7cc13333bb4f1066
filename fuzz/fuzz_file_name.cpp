// Any subject through CleanFileName and the platform-safe file name: the
// cleaned text is never empty and at most 150 UTF-16 units; the file name
// holds no character Windows refuses and is never a device name.
#include <cstdint>
#include <string>

#include "support/clean_file_name.hpp"
#include "import/msg_file_name.hpp"
#include "support/utf.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string subject(reinterpret_cast<const char*>(data), size);
    const std::string cleaned = kv::CleanFileName(subject);
    if (cleaned.empty() || kv::utf::Utf16Length(cleaned) > 150) __builtin_trap();
    const std::string base = kv::SafeFileBase(cleaned);
    for (unsigned char c : base)
        if (c < 0x20 || std::string_view("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string_view::npos)
            __builtin_trap();
    const std::string path = kv::MsgFilePath("/f/", base, 0, kv::kWindowsNameLimits);
    const std::string name = path.substr(3, path.size() - 3 - 4);
    if (kv::IsReservedDeviceName(name)) __builtin_trap();
    return 0;
}
