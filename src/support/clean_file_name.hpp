#pragma once
// A mail subject made fit to stand in a Windows file name. The same text is
// the file name's base, the stored subject and what the duplicate check looks
// for, so it must never change for subjects filed before.
#include <string>

namespace kv {

// At most 150 UTF-16 code units, never empty ("Ingen" stands for nothing left).
std::string CleanFileName(const std::string& subject);

// The subject as the import row keeps it (column Subject): cleaned and cut
// to 200 characters, but "" for a mail without a subject.
std::string StoredSubject(const std::string& subject);

}  // namespace kv
