#include "app/mail_choice.hpp"

#include <algorithm>
#include <filesystem>
#include <regex>

#include "app/exit_codes.hpp"

namespace kv::app {
namespace fs = std::filesystem;
namespace {

std::string SubjectOf(const outlook::Item& item) {
    try {
        return item.Subject();
    } catch (const Error&) {
        return {};
    }
}

std::string Positions(const std::string& folder, std::size_t count) {
    return "\"" + folder + "\" holds " + std::to_string(count) + " item" + (count == 1 ? "" : "s") +
           " (see 'kvimport mails --from \"" + folder + "\"')";
}

}  // namespace

std::vector<std::shared_ptr<outlook::Item>> ChooseMails(mailstore::MailStore& store, const std::string& folder,
                                                        const MailChoice& choice) {
    auto items = store.Items(folder);
    std::vector<std::shared_ptr<outlook::Item>> chosen;
    if (choice.all) chosen = items;
    for (int position : choice.positions) {
        if (position < 1 || position > static_cast<int>(items.size()))
            BadArgument("--mail " + std::to_string(position) + " is out of range: " + Positions(folder, items.size()));
        chosen.push_back(items[static_cast<std::size_t>(position - 1)]);
    }
    if (!choice.subject.empty()) {
        std::regex pattern;
        try {
            pattern = std::regex(choice.subject, std::regex::icase | std::regex::ECMAScript);
        } catch (const std::regex_error& e) {
            BadArgument("--subject \"" + choice.subject + "\" is no valid pattern: " + e.what());
        }
        std::size_t before = chosen.size();
        for (const auto& item : items)
            if (std::regex_search(SubjectOf(*item), pattern)) chosen.push_back(item);
        if (chosen.size() == before)
            BadArgument("--subject \"" + choice.subject + "\" matches no item: " + Positions(folder, items.size()));
    }
    if (!choice.all && choice.positions.empty() && choice.subject.empty())
        BadArgument("choose the mails with --all, --mail N or --subject PATTERN (or one with --open)");
    // Each once, in the folder's order, as a selection in the window is.
    std::vector<std::shared_ptr<outlook::Item>> unique;
    for (const auto& item : items)
        if (std::find(chosen.begin(), chosen.end(), item) != chosen.end()) unique.push_back(item);
    if (unique.empty()) BadArgument("\"" + folder + "\" holds no item to import; check --from");
    return unique;
}

std::vector<std::string> SetAsideUnreadable(std::vector<std::shared_ptr<outlook::Item>>& items) {
    std::vector<std::string> reasons;
    std::erase_if(items, [&](const std::shared_ptr<outlook::Item>& item) {
        if (item->Class() != outlook::itemclass::Mail) return false;
        try {
            item->Subject();  // reads and parses the file
            return false;
        } catch (const Error& e) {
            reasons.push_back(e.Description());
            return true;
        }
    });
    return reasons;
}

std::shared_ptr<outlook::Item> ItemOf(mailstore::MailStore& store, const std::string& folder,
                                      const std::string& fileOrPosition, const std::string& option) {
    auto items = store.Items(folder);
    bool number =
        !fileOrPosition.empty() && fileOrPosition.size() < 9 &&
        std::all_of(fileOrPosition.begin(), fileOrPosition.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (number) {
        int position = std::stoi(fileOrPosition);
        if (position < 1 || position > static_cast<int>(items.size()))
            BadArgument(option + " " + fileOrPosition + " is out of range: " + Positions(folder, items.size()));
        return items[static_cast<std::size_t>(position - 1)];
    }
    std::error_code ec;
    fs::path wanted = fs::weakly_canonical(fs::absolute(fileOrPosition), ec);
    if (ec || !fs::is_regular_file(wanted))
        BadArgument(option + " " + fileOrPosition + " is neither a position nor a file");
    for (const auto& item : items) {
        fs::path path = fs::weakly_canonical(store.PathOf(*item), ec);
        if (!ec && path == wanted) return item;
    }
    BadArgument(option + " " + fileOrPosition + " is not an item of \"" + folder + "\" in the mail store " +
                store.Root().string() + "; copy it there or give its position");
}

void ListItems(mailstore::MailStore& store, const std::string& folder, std::ostream& out) {
    int position = 0;
    for (const auto& item : store.Items(folder))
        out << "  " << ++position << '\t' << SubjectOf(*item) << "  (" << store.PathOf(*item).filename().string()
            << ")\n";
    if (position == 0) out << "  (tom)\n";
}

}  // namespace kv::app
