#include "adapters/mailstore/manifest.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>

#include "ports/outlook/constants.hpp"
#include "support/error.hpp"

namespace kv::mailstore {
namespace {

constexpr const char* kMagic = "kv-mailstore";

std::string Escape(const std::string& field) {
    std::string out;
    for (char c : field) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

std::vector<std::string> SplitLine(const std::string& line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            char n = line[++i];
            fields.back() += n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

[[noreturn]] void Bad(const std::filesystem::path& file, std::size_t lineNo, const std::string& why) {
    throw Error(errnum::InvalidArgument, "MailStore",
                "The store manifest " + file.string() + " is damaged at line " + std::to_string(lineNo) + ": " + why);
}

std::int32_t ToInt(const std::string& text, const std::filesystem::path& file, std::size_t lineNo) {
    try {
        std::size_t used = 0;
        long long value = std::stoll(text, &used);
        if (used != text.size() || value < INT32_MIN || value > INT32_MAX) throw std::invalid_argument(text);
        return static_cast<std::int32_t>(value);
    } catch (const std::exception&) {
        Bad(file, lineNo, "\"" + text + "\" is not a number");
    }
}

void WriteLine(std::ostream& out, std::initializer_list<std::string> fields) {
    bool first = true;
    for (const auto& f : fields) {
        if (!first) out << '\t';
        out << Escape(f);
        first = false;
    }
    out << '\n';
}

}  // namespace

Manifest Manifest::Load(const std::filesystem::path& file) {
    Manifest manifest;
    std::ifstream in(file, std::ios::binary);
    if (!in) return manifest;
    std::size_t lineNo = 0;
    // Every line written ends with a line end; one without is an append a
    // crash cut short. Read line by line: a big store's file is never held whole.
    for (std::string line; std::getline(in, line) && !in.eof();) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        auto f = SplitLine(line);
        auto need = [&](std::size_t n) {
            if (f.size() < n) Bad(file, lineNo, "too few fields");
        };
        if (lineNo == 1) {
            if (f[0] != kMagic) Bad(file, lineNo, "not a mail store manifest");
            continue;
        }
        if (f[0] == "account") {
            need(3);
            manifest.accountName = f[1];
            manifest.accountAddress = f[2];
        } else if (f[0] == "nextid") {
            need(2);
            manifest.nextId = static_cast<std::uint64_t>(ToInt(f[1], file, lineNo));
        } else if (f[0] == "folder") {
            need(4);
            manifest.folders.push_back({f[1], f[2], ToInt(f[3], file, lineNo)});
        } else if (f[0] == "item") {
            need(3);
            manifest.items[f[1]] = f[2];
        } else if (f[0] == "bar") {
            need(5);
            manifest.bars.push_back({f[1], f[2], f[3] == "1", ToInt(f[4], file, lineNo), {}});
        } else if (f[0] == "button") {
            need(10);
            if (manifest.bars.empty()) Bad(file, lineNo, "button without a bar");
            manifest.bars.back().buttons.push_back({f[1], f[2], f[3], f[4], f[5], ToInt(f[6], file, lineNo),
                                                    ToInt(f[7], file, lineNo), f[8] == "1", f[9] == "1"});
        } else {
            Bad(file, lineNo, "unknown entry \"" + f[0] + "\"");
        }
    }
    if (lineNo == 0) Bad(file, 1, "empty file");
    return manifest;
}

void Manifest::Save(const std::filesystem::path& file, const ItemEntries& entries) const {
    // A name of this save's own: a writer never truncates another's file.
    static std::atomic<unsigned> saves{0};
    auto temp = file;
    temp += "." + std::to_string(getpid()) + "-" + std::to_string(++saves) + ".new";
    {
        // Written straight to the file: a big store's text is never held whole.
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << kMagic << "\t1\n";
        WriteLine(out, {"account", accountName, accountAddress});
        WriteLine(out, {"nextid", std::to_string(nextId)});
        for (const auto& folder : folders)
            WriteLine(out, {"folder", folder.name, folder.messageClass, std::to_string(folder.defaultNumber)});
        entries([&](const std::string& id, const std::string& path) { WriteLine(out, {"item", id, path}); });
        for (const auto& bar : bars) {
            WriteLine(out, {"bar", bar.windowKind, bar.name, bar.visible ? "1" : "0", std::to_string(bar.position)});
            for (const auto& b : bar.buttons)
                WriteLine(out,
                          {"button", b.caption, b.tag, b.tooltip, b.onAction, b.parameter, std::to_string(b.faceId),
                           std::to_string(b.style), b.beginGroup ? "1" : "0", b.visible ? "1" : "0"});
        }
        out.close();
        if (!out) {
            std::filesystem::remove(temp);
            throw Error(outlook::hosterr::Failed, "MailStore", "Cannot write the store manifest " + temp.string());
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, file, ec);
    if (ec) std::filesystem::remove(temp);
    if (ec)
        throw Error(outlook::hosterr::Failed, "MailStore",
                    "Cannot replace the store manifest " + file.string() + ": " + ec.message());
}

bool Manifest::AppendItem(const std::filesystem::path& file, const std::string& entryId,
                          const std::string& path) const {
    std::ostringstream out;
    WriteLine(out, {"item", entryId, path});
    WriteLine(out, {"nextid", std::to_string(nextId)});
    const std::string text = out.str();
    const int fd = open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return false;
    const bool whole = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return close(fd) == 0 && whole;
}

void Manifest::RemoveLeftovers(const std::filesystem::path& file) {
    const std::string prefix = file.filename().string() + ".";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && name.ends_with(".new") && entry.is_regular_file(ec))
            std::filesystem::remove(entry.path(), ec);
    }
}

}  // namespace kv::mailstore
