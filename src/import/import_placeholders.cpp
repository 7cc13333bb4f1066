// PLACEHOLDERS while the routines are written; this file goes once they all exist.
#include "dialog/frmKorvane.hpp"

namespace kv {

bool frmKorvane::UpdateDB(const std::string&, outlook::MailWrapper&, const std::string&, std::int32_t) { return false; }
std::string frmKorvane::GetSenderName(outlook::MailWrapper&) { return {}; }
void frmKorvane::cmdImport_Click() {}

}  // namespace kv
