#pragma once
// libgsf links the entries of a Compound File storage as one long chain of
// right siblings. Readers walk that recursively (deeply, for a mail with
// hundreds of recipients), and the format asks for a red-black tree, so the
// directory is rebuilt as a balanced one before the file is written out.
#include <string>

namespace kv::mailmsg {

// The Compound File data with the sibling links and colours of every
// storage's children rewritten; names, streams and sectors stay as they are.
// Throws kv::Error when data is not a Compound File it can read.
std::string BalanceCompoundDirectory(std::string data);

}  // namespace kv::mailmsg
