#pragma once
// The subcommands of kvimport. Each returns its exit code or throws
// CommandError with a one-line message.
#include <string>

#include "app/dialog_script.hpp"
#include "app/front_end.hpp"
#include "app/mail_choice.hpp"

namespace kv::app {

struct ImportOptions {
    CommonOptions common;
    std::string from = "Inbox";  // mail folder of the explorer
    MailChoice mails;
    std::string open;  // an item to import from its own window instead
    DialogChoices dialog;
};

struct BrowseOptions {
    CommonOptions common;
    std::string from = "Inbox";
    DialogChoices dialog;
    int depth = 2;
};

int RunDemo(const std::string& dir);
int RunImport(const ImportOptions& options);
int RunSend(const std::string& draft, const ImportOptions& options);
int RunBrowse(const BrowseOptions& options);
int RunMails(const CommonOptions& common, const std::string& from);

}  // namespace kv::app
