#pragma once
// The text format regedit imports and exports: "Windows Registry Editor
// Version 5.00" (UTF-16LE with BOM) and the older "REGEDIT4" (ANSI).
#include <string>

#include "support/registry_tree.hpp"

namespace kv::regfile {

// Error numbers for a file that cannot be read as registry data and for a
// file that cannot be read or written at all.
inline constexpr std::int32_t ErrMalformedFile = 31037;
inline constexpr std::int32_t ErrFileAccess = 75;
inline constexpr const char* ErrorSource = "KVOutlookAddin.RegFileStore";

// Reads the whole file content (UTF-16LE with BOM, UTF-8 with or without BOM,
// or ANSI for REGEDIT4) into tree, which is cleared first. Empty content is
// an empty registry. Throws Error naming fileName and the line on anything
// it cannot take exactly.
void Parse(const std::string& content, const std::string& fileName, reg::RegTree& tree);

// The tree as regedit writes it: version 5.00 header, CRLF line ends, the
// text as UTF-8 (ExportText) or as UTF-16LE with BOM (Export).
std::string ExportText(const reg::RegTree& tree);
std::string Export(const reg::RegTree& tree);

}  // namespace kv::regfile
