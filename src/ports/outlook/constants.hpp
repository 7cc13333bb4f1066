#pragma once
// Numbers of the host's object model that the add-in passes or tests.
#include <cstdint>

namespace kv::outlook {

// Item Class values.
namespace itemclass {
inline constexpr std::int32_t Appointment = 26;
inline constexpr std::int32_t Contact = 40;
inline constexpr std::int32_t Document = 41;
inline constexpr std::int32_t Journal = 42;
inline constexpr std::int32_t Mail = 43;
inline constexpr std::int32_t Post = 45;
inline constexpr std::int32_t Task = 48;
inline constexpr std::int32_t DistributionList = 69;
}  // namespace itemclass

// GetDefaultFolder numbers.
namespace defaultfolder {
inline constexpr std::int32_t DeletedItems = 3;
inline constexpr std::int32_t Outbox = 4;
inline constexpr std::int32_t SentMail = 5;
inline constexpr std::int32_t Inbox = 6;
inline constexpr std::int32_t Calendar = 9;
inline constexpr std::int32_t Contacts = 10;
inline constexpr std::int32_t Drafts = 16;
}  // namespace defaultfolder

// Item Importance.
namespace importance {
inline constexpr std::int32_t Low = 0;
inline constexpr std::int32_t Normal = 1;
inline constexpr std::int32_t High = 2;
}  // namespace importance

// SaveAs formats: Outlook's message file in the user's code page, and in
// Unicode (Outlook 2003 on), which keeps text of any script.
inline constexpr std::int32_t SaveAsMsg = 3;
inline constexpr std::int32_t SaveAsMsgUnicode = 9;

// Close modes of an item.
namespace closemode {
inline constexpr std::int32_t Save = 0;
inline constexpr std::int32_t Discard = 1;
inline constexpr std::int32_t PromptForSave = 2;
}  // namespace closemode

// Command bars.
inline constexpr std::int32_t BarTop = 1;
inline constexpr std::int32_t ControlButton = 1;
namespace buttonstyle {
inline constexpr std::int32_t Icon = 1;
inline constexpr std::int32_t Caption = 2;
inline constexpr std::int32_t IconAndCaption = 3;
}  // namespace buttonstyle

// The message class of a mail folder.
inline constexpr const char* MailMessageClass = "IPM.Note";

// Error numbers the host raises through this port.
namespace hosterr {
inline constexpr std::int32_t NotSupported = 438;             // the object has no such property or method
inline constexpr std::int32_t InvalidIndex = 9;               // index or name not in the collection
inline constexpr std::int32_t ObjectGone = -2147221238;       // the item or window was moved, deleted or closed
inline constexpr std::int32_t Failed = -2147467259;           // the host refused the operation
inline constexpr std::int32_t BadArgument = -2147024809;      // an argument the host does not take (E_INVALIDARG)
inline constexpr std::int32_t BadArgumentType = -2147352571;  // an argument of a type it does not take
}  // namespace hosterr

}  // namespace kv::outlook
