#pragma once
// Text helpers shared by every registry store and by cRegistry: how names
// compare, how a text becomes REG_SZ bytes and back, and %NAME% expansion.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "support/value.hpp"

namespace kv::reg {

// The form two key or value names are compared in: upper-cased as Windows
// compares them (support/text_case.hpp).
std::string FoldName(std::string_view name);
bool SameName(std::string_view a, std::string_view b);

// UTF-8 text to UTF-16LE bytes followed by one NUL code unit.
Bytes ToRegSz(std::string_view text);
// UTF-16LE bytes to UTF-8 text without the terminating NUL (only one is
// dropped, so the separators of a REG_MULTI_SZ stay). No data gives "";
// a stray odd byte at the end is ignored.
std::string FromRegSz(const Bytes& data);

// Replaces each %NAME% whose name lookup knows; everything else stays as
// written, so "100%" and "%unknown%" come back unchanged.
using EnvironmentLookup = std::function<std::optional<std::string>(const std::string&)>;
std::string ExpandPercentReferences(std::string_view text, const EnvironmentLookup& lookup);

}  // namespace kv::reg
