#include "ports/file_system.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "support/error.hpp"
#include "support/utf.hpp"

namespace kv {

namespace {

// Upper case of one UTF-16 unit, for the scripts a folder name is likely to
// use: Latin (with Latin-1 and Extended-A), Greek and Cyrillic.
char16_t Upcase(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        // pairs: even capital, odd small, except 0x139-0x148 and 0x179-0x17E
        const bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddCapitals ? (c % 2 == 0) : (c % 2 == 1)) return static_cast<char16_t>(c - 1);
        return c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 32);
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
    return c;
}

}  // namespace

std::string PathStyle::Join(std::string_view folder, std::string_view name) const {
    if (folder.empty()) return std::string(name);
    std::string out(folder);
    if (!IsSeparator(out.back())) out += separator;
    out += name;
    return out;
}

std::string PathStyle::WithTrailingSeparator(std::string_view path) const {
    std::string out(path);
    while (!out.empty() && IsSeparator(out.back())) out.pop_back();
    out += separator;
    return out;
}

std::unique_ptr<FileSystem::TreeReadAhead> FileSystem::ReadFolderTreeAhead(const std::string&) { return nullptr; }

void FileSystem::ListEachFolder(const std::vector<std::string>& paths, const FolderListing& each) {
    for (std::size_t i = 0; i < paths.size(); ++i) each(i, SubFolders(GetFolder(paths[i])));
}

std::string LastPathComponent(std::string_view path) {
    std::size_t cut = std::string_view::npos;
    for (std::size_t i = path.size(); i-- > 0;) {
        if (path[i] == '\\' || path[i] == '/') {
            cut = i;
            break;
        }
    }
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

namespace {

bool IsAscii(std::string_view name) {
    return std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Appends the upper-cased UTF-16 units, each as two bytes, high first: the
// keys compare as byte strings (memcmp) in the order of the units.
void AppendFolderNameKey(std::string& key, std::string_view name) {
    if (IsAscii(name)) {
        for (char c : name) {
            key.push_back('\0');
            key.push_back(static_cast<char>(Upcase(static_cast<char16_t>(c))));
        }
        return;
    }
    for (char16_t c : utf::ToUtf16(name)) {
        const char16_t upper = Upcase(c);
        key.push_back(static_cast<char>(upper >> 8));
        key.push_back(static_cast<char>(upper & 0xFF));
    }
}

std::string FolderNameKey(std::string_view name) {
    std::string key;
    key.reserve(name.size() * 2);
    AppendFolderNameKey(key, name);
    return key;
}

}  // namespace

bool FolderNameLess(std::string_view a, std::string_view b) {
    const std::string ka = FolderNameKey(a);
    const std::string kb = FolderNameKey(b);
    if (ka != kb) return ka < kb;
    return a < b;
}

void SortByFolderName(std::vector<Folder>& folders) {
    // Most folders of an expanded tree hold one sub-folder or none.
    if (folders.size() < 2) return;
    // Each key made once, all in one buffer, and entries sorted rather than
    // folders moved: a folder of 10,000 sub-folders is sorted at every
    // listing. Where every name is ASCII the keys' high bytes are all zero,
    // so the low bytes alone compare the same.
    const bool ascii = std::all_of(folders.begin(), folders.end(), [](const Folder& f) { return IsAscii(f.Name()); });
    std::string keys;
    std::vector<std::size_t> starts;
    starts.reserve(folders.size() + 1);
    for (const Folder& f : folders) {
        starts.push_back(keys.size());
        if (!ascii) {
            AppendFolderNameKey(keys, f.Name());
            continue;
        }
        for (char c : f.Name()) keys.push_back(static_cast<char>(Upcase(static_cast<char16_t>(c))));
    }
    starts.push_back(keys.size());
    struct Entry {
        std::string_view key;
        std::uint32_t index;
    };
    std::vector<Entry> entries;
    entries.reserve(folders.size());
    for (std::uint32_t i = 0; i < folders.size(); ++i) {
        entries.push_back({std::string_view(keys).substr(starts[i], starts[i + 1] - starts[i]), i});
    }
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        const int byKey = a.key.compare(b.key);
        return byKey != 0 ? byKey < 0 : folders[a.index].Name() < folders[b.index].Name();
    });
    std::vector<Folder> sorted;
    sorted.reserve(folders.size());
    for (const Entry& e : entries) sorted.push_back(std::move(folders[e.index]));
    folders = std::move(sorted);
}

void ValidateFolderName(std::string_view name) {
    const auto bad = [&](const char* why) {
        throw Error(fserr::BadFileName, "FileSystem",
                    "Bad file name or number: \"" + std::string(name) + "\" (" + why + ")");
    };
    if (name.empty()) bad("empty");
    if (name == "." || name == "..") bad("reserved");
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) bad("invalid character");
    }
    if (name.back() == ' ' || name.back() == '.') bad("ends in a blank or dot");
    if (utf::Utf16Length(name) > 255) bad("too long");
    const std::string base = utf::AsciiUpper(name.substr(0, name.find('.')));
    static const std::array<const char*, 4> devices = {"CON", "PRN", "AUX", "NUL"};
    for (const char* d : devices) {
        if (base == d) bad("device name");
    }
    if (base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' && base[3] <= '9') {
        bad("device name");
    }
}

}  // namespace kv
