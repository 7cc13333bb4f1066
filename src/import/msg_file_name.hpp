#pragma once
// Names of the .msg files an import writes. The base is the cleaned subject
// made safe for the platform's file system; a name already taken gets "_1",
// "_2", ... and a file is never written over: the mail is saved to a
// temporary name in the target folder and renamed to the first free name,
// so two imports racing for one name each keep their own file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ports/file_system.hpp"
#include "ports/outlook/mail_wrapper.hpp"

namespace kv {

// The cleaned subject made fit for a file name: malformed UTF-8 repaired,
// control characters as "_". The cleaned subject itself (stored and
// compared) stays as it was; only the file name uses this.
std::string SafeFileBase(std::string_view cleanedSubject);

// True for CON, PRN, AUX, NUL, COM1-9 and LPT1-9 in any case, with blanks
// after them: names Windows keeps for devices whatever their extension.
bool IsReservedDeviceName(std::string_view base);

// folder (ending with a separator) + base + ("_" number when number > 0)
// + ".msg". The base is shortened to fit the limits (never inside a UTF-8
// sequence or a surrogate pair) and a device name gets "_" appended. Fails
// with BadFileName when the folder leaves no room for a name.
std::string MsgFilePath(const std::string& folder, std::string_view base, std::int32_t number,
                        const FileNameLimits& limits);

struct MsgFileName {
    std::string path;
    std::int32_t number = 0;
};

// The first name, counting from no number, for which no file exists.
MsgFileName FirstFreeMsgFile(FileSystem& files, const std::string& folder, std::string_view base,
                             const FileNameLimits& limits);

// A name for a temporary file that no other writer (thread or process)
// picks at the same time.
std::string TemporaryMsgName();

// Saves the mail as a .msg file at path in Outlook's Unicode format, or in
// its code-page format when the host refuses the first.
void SaveAsMsgFile(outlook::MailWrapper& saver, const std::string& path);

// Saves the mail through saver to a temporary file in folder, writes it
// through to the disk and renames it to the name of number firstNumber, or
// the next number nobody took meanwhile. Returns the full path written,
// which a power loss can no longer take away. On failure the temporary file
// is removed and the failure passed on.
std::string SaveMsgWithoutReplacing(FileSystem& files, outlook::MailWrapper& saver, const std::string& folder,
                                    std::string_view base, std::int32_t firstNumber, const FileNameLimits& limits);

}  // namespace kv
