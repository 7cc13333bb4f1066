#pragma once
// Which items of the stand-in host the user points at: mails of a folder by
// position or subject, or an item by its file or position.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "adapters/mailstore/mail_store.hpp"

namespace kv::app {

struct MailChoice {
    bool all = false;
    std::vector<int> positions;  // from 1, in the folder's order
    std::string subject;         // regular expression, case-insensitive
};

// The chosen items of folder; throws CommandError (bad arguments) when the
// choice is empty, out of range or matches nothing.
std::vector<std::shared_ptr<outlook::Item>> ChooseMails(mailstore::MailStore& store, const std::string& folder,
                                                        const MailChoice& choice);

// Takes out of items the mails whose file cannot be read as a mail (empty,
// binary, no mail headers, gone) and returns why for each, naming its file.
// A selection of such mails would stop the add-in at the first of them; left
// out, the others are filed.
std::vector<std::string> SetAsideUnreadable(std::vector<std::shared_ptr<outlook::Item>>& items);

// An item given as a position in folder or as the path of its file in the
// store; option names the option for the message.
std::shared_ptr<outlook::Item> ItemOf(mailstore::MailStore& store, const std::string& folder,
                                      const std::string& fileOrPosition, const std::string& option);

// "  1  subject  (file)" for every item of folder.
void ListItems(mailstore::MailStore& store, const std::string& folder, std::ostream& out);

}  // namespace kv::app
