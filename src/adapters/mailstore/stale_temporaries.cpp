#include "adapters/mailstore/stale_temporaries.hpp"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <string>
#include <string_view>

namespace kv::mailstore {

namespace fs = std::filesystem;

namespace {

bool IsStaleTemporary(const fs::directory_entry& entry) {
    constexpr auto kStale = std::chrono::hours(1);
    const std::string name = entry.path().filename().string();
    const auto all = [](std::string_view text, auto is) {
        return std::all_of(text.begin(), text.end(), [&](char c) { return is(static_cast<unsigned char>(c)) != 0; });
    };
    const auto alnum = [](unsigned char c) { return std::isalnum(c); };
    const auto hex = [](unsigned char c) { return std::isxdigit(c); };
    const std::string_view view(name);
    // libgsf's ".gsf-save-XXXXXX"; the import's "~kv" + 12 hex digits + ".tmp", and the writer's ".part" of it.
    const bool gsf = name.size() == 16 && name.starts_with(".gsf-save-") && all(view.substr(10), alnum);
    const bool import = name.size() >= 19 && name.starts_with("~kv") && all(view.substr(3, 12), hex) &&
                        (view.substr(15) == ".tmp" || view.substr(15) == ".tmp.part");
    std::error_code ec;
    if (!(gsf || import) || entry.symlink_status(ec).type() != fs::file_type::regular) return false;
    const auto written = entry.last_write_time(ec);
    return !ec && fs::file_time_type::clock::now() - written > kStale;
}

}  // namespace

void RemoveStaleTemporaries(const fs::path& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (IsStaleTemporary(entry)) fs::remove(entry.path(), ec);
}

}  // namespace kv::mailstore
