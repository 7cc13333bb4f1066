#pragma once
// libgsf links the entries of a Compound File storage as one long chain of
// right siblings. Readers walk that recursively (deeply, for a mail with
// hundreds of recipients), and the format asks for a red-black tree, so the
// directory is rebuilt as a balanced one after writing.
#include <filesystem>

namespace kv::mailmsg {

// Rewrites the sibling links and colours of every storage's children in
// place; names, streams and sectors stay as they are. Throws kv::Error when
// the file is not a Compound File it can read.
void BalanceCompoundDirectory(const std::filesystem::path& file);

}  // namespace kv::mailmsg
