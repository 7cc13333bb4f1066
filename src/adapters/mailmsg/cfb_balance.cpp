#include "adapters/mailmsg/cfb_balance.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ports/outlook/constants.hpp"
#include "support/error.hpp"

namespace kv::mailmsg {
namespace {

constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::size_t kEntrySize = 128;
constexpr std::uint8_t kRed = 0, kBlack = 1;
constexpr std::uint8_t kStorage = 1, kRoot = 5;

[[noreturn]] void Bad(const std::string& why) {
    throw Error(outlook::hosterr::Failed, "MsgWriter", "Cannot balance the message file directory: " + why);
}

std::uint32_t Get32(const std::string& data, std::size_t at) {
    if (at + 4 > data.size()) Bad("truncated file");
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[at + static_cast<std::size_t>(i)]);
    return v;
}

void Set32(std::string& data, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) data[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct Compound {
    std::string data;
    std::size_t sectorSize = 512;

    std::size_t SectorOffset(std::uint32_t sector) const {
        std::size_t offset = (static_cast<std::size_t>(sector) + 1) * sectorSize;
        if (offset + sectorSize > data.size()) Bad("sector out of range");
        return offset;
    }
};

std::vector<std::uint32_t> ReadFat(const Compound& c) {
    std::vector<std::uint32_t> fatSectors;
    std::uint32_t fatCount = Get32(c.data, 44);
    for (std::uint32_t i = 0; i < 109 && fatSectors.size() < fatCount; ++i)
        fatSectors.push_back(Get32(c.data, 76 + 4 * i));
    std::uint32_t difat = Get32(c.data, 68);
    std::size_t perDifat = c.sectorSize / 4 - 1;
    for (std::size_t guard = 0; fatSectors.size() < fatCount && difat < kEndOfChain; ++guard) {
        if (guard > c.data.size() / c.sectorSize) Bad("DIFAT loop");
        std::size_t at = c.SectorOffset(difat);
        for (std::size_t i = 0; i < perDifat && fatSectors.size() < fatCount; ++i)
            fatSectors.push_back(Get32(c.data, at + 4 * i));
        difat = Get32(c.data, at + 4 * perDifat);
    }
    std::vector<std::uint32_t> fat;
    for (auto sector : fatSectors) {
        std::size_t at = c.SectorOffset(sector);
        for (std::size_t i = 0; i < c.sectorSize / 4; ++i) fat.push_back(Get32(c.data, at + 4 * i));
    }
    return fat;
}

struct Entry {
    std::size_t offset;  // of the entry in the file
    std::u16string name;
    std::uint8_t type;
    std::uint32_t left, right, child;
};

// The order the format keeps siblings in: shorter names first, then by
// upper-cased UTF-16 units.
bool NameLess(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return a.size() < b.size();
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i] >= u'a' && a[i] <= u'z' ? a[i] - 32 : a[i];
        char16_t y = b[i] >= u'a' && b[i] <= u'z' ? b[i] - 32 : b[i];
        if (x != y) return x < y;
    }
    return false;
}

}  // namespace

std::string BalanceCompoundDirectory(std::string data) {
    Compound c;
    c.data = std::move(data);
    if (c.data.size() < 512 || c.data.compare(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) != 0)
        Bad("not a compound file");
    unsigned shift = static_cast<unsigned char>(c.data[30]) | (static_cast<unsigned char>(c.data[31]) << 8);
    if (shift != 9 && shift != 12) Bad("unknown sector size");
    c.sectorSize = std::size_t{1} << shift;

    auto fat = ReadFat(c);
    std::vector<Entry> entries;
    std::uint32_t sector = Get32(c.data, 48);
    for (std::size_t guard = 0; sector < kEndOfChain; ++guard) {
        if (guard > fat.size() || sector >= fat.size()) Bad("broken directory chain");
        std::size_t at = c.SectorOffset(sector);
        for (std::size_t e = 0; e < c.sectorSize / kEntrySize; ++e) {
            std::size_t offset = at + e * kEntrySize;
            Entry entry{offset,
                        {},
                        static_cast<std::uint8_t>(c.data[offset + 66]),
                        Get32(c.data, offset + 68),
                        Get32(c.data, offset + 72),
                        Get32(c.data, offset + 76)};
            std::size_t nameBytes = std::min<std::size_t>(64, static_cast<unsigned char>(c.data[offset + 64]));
            for (std::size_t i = 0; i + 1 < nameBytes; i += 2)
                entry.name += static_cast<char16_t>(static_cast<unsigned char>(c.data[offset + i]) |
                                                    (static_cast<unsigned char>(c.data[offset + i + 1]) << 8));
            if (!entry.name.empty() && entry.name.back() == u'\0') entry.name.pop_back();
            entries.push_back(std::move(entry));
        }
        sector = fat[sector];
    }
    if (entries.empty() || entries[0].type != kRoot) Bad("no root entry");

    auto write = [&](std::uint32_t index, std::uint32_t left, std::uint32_t right, std::uint8_t colour) {
        auto& e = entries.at(index);
        c.data[e.offset + 67] = static_cast<char>(colour);
        Set32(c.data, e.offset + 68, left);
        Set32(c.data, e.offset + 72, right);
    };

    std::vector<bool> seen(entries.size(), false);
    std::function<void(std::uint32_t)> balanceStorage = [&](std::uint32_t storage) {
        // Collect the children in the order of the existing tree.
        std::vector<std::uint32_t> children;
        std::function<void(std::uint32_t)> collect = [&](std::uint32_t i) {
            while (i != kNoStream) {
                if (i >= entries.size() || seen[i]) Bad("damaged directory tree");
                seen[i] = true;
                collect(entries[i].left);
                children.push_back(i);
                i = entries[i].right;
            }
        };
        collect(entries[storage].child);
        std::stable_sort(children.begin(), children.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return NameLess(entries[a].name, entries[b].name); });
        // Midpoint splits keep every leaf on the last two levels; the nodes
        // of the last level are red, all others black, which makes a valid
        // red-black tree.
        int height = 0;
        while ((std::size_t{1} << height) - 1 < children.size()) ++height;
        std::function<std::uint32_t(std::size_t, std::size_t, int)> build = [&](std::size_t lo, std::size_t hi,
                                                                                int depth) -> std::uint32_t {
            if (lo >= hi) return kNoStream;
            std::size_t mid = lo + (hi - lo) / 2;
            std::uint32_t left = build(lo, mid, depth + 1);
            std::uint32_t right = build(mid + 1, hi, depth + 1);
            write(children[mid], left, right, depth == height && height > 1 ? kRed : kBlack);
            return children[mid];
        };
        Set32(c.data, entries[storage].offset + 76, build(0, children.size(), 1));
        for (auto child : children)
            if (entries[child].type == kStorage) balanceStorage(child);
    };
    balanceStorage(0);
    return std::move(c.data);
}

}  // namespace kv::mailmsg
