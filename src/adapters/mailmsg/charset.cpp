// Charsets as Windows reads them. Mailers label text with the standard name
// and write the Windows code page behind it (GB2312 that is GBK, Big5 that is
// CP950, ISO-2022-JP with the NEC and IBM rows of CP932, "iso-8859-1" that is
// Windows-1252), so a strict converter refuses what every mail client shows.
// Text that is still wrong gets a replacement character per bad sequence;
// raw bytes of another charset are never handed on.
#include <gmime/gmime.h>

#include <cerrno>
#include <optional>
#include <string_view>
#include <utility>

#include "adapters/mailmsg/mime_text.hpp"
#include "support/utf.hpp"

namespace kv::mailmsg {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
constexpr const char* kIso2022Jp = "ISO-2022-JP";

// Names mailers use for a charset, by the Windows code page that decodes them.
constexpr std::pair<const char*, const char*> kWindowsNames[] = {
    {"us-ascii", "WINDOWS-1252"},
    {"ascii", "WINDOWS-1252"},
    {"ansi_x3.4-1968", "WINDOWS-1252"},
    {"iso-8859-1", "WINDOWS-1252"},
    {"iso8859-1", "WINDOWS-1252"},
    {"iso_8859-1", "WINDOWS-1252"},
    {"latin1", "WINDOWS-1252"},
    {"l1", "WINDOWS-1252"},
    {"cp819", "WINDOWS-1252"},
    {"gb2312", "CP936"},
    {"gbk", "CP936"},
    {"x-gbk", "CP936"},
    {"euc-cn", "CP936"},
    {"x-euc-cn", "CP936"},
    {"csgb2312", "CP936"},
    {"gb_2312-80", "CP936"},
    {"big5", "CP950"},
    {"big-5", "CP950"},
    {"cn-big5", "CP950"},
    {"x-x-big5", "CP950"},
    {"csbig5", "CP950"},
    {"ks_c_5601-1987", "CP949"},
    {"ks_c_5601", "CP949"},
    {"ksc5601", "CP949"},
    {"ksc_5601", "CP949"},
    {"euc-kr", "CP949"},
    {"korean", "CP949"},
    {"csksc56011987", "CP949"},
    {"shift_jis", "CP932"},
    {"shift-jis", "CP932"},
    {"sjis", "CP932"},
    {"x-sjis", "CP932"},
    {"ms_kanji", "CP932"},
    {"csshiftjis", "CP932"},
    {"windows-31j", "CP932"},
    {"euc-jp", "EUC-JP-MS"},
    {"x-euc-jp", "EUC-JP-MS"},
    {"tis-620", "CP874"},
    {"iso-8859-11", "CP874"},
    {"iso-2022-jp", kIso2022Jp},
    {"csiso2022jp", kIso2022Jp},
    {"cp50220", kIso2022Jp},
    {"cp50221", kIso2022Jp},
    {"cp50222", kIso2022Jp},
};

// The iconv name of a declared charset, as Windows would decode it.
std::string WindowsCharset(const std::string& declared) {
    std::string name = utf::AsciiLower(Trim(declared));
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    for (const auto& [label, codePage] : kWindowsNames)
        if (name == label) return codePage;
    if (name.starts_with("iso-2022-jp")) return kIso2022Jp;  // -1, -2, -3: the same escapes for Japanese
    const char* iconvName = g_mime_charset_iconv_name(name.c_str());
    return iconvName ? iconvName : name;
}

// Bytes in charset to UTF-8, a replacement character for each sequence the
// charset cannot read. Nothing when iconv does not know the charset.
std::optional<std::string> DecodeLossily(const std::string& bytes, const char* charset) {
    GIConv cd = g_iconv_open("UTF-8", charset);
    if (cd == reinterpret_cast<GIConv>(-1)) return std::nullopt;
    std::string out;
    char buffer[4096];
    auto* in = const_cast<char*>(bytes.data());
    gsize inLeft = bytes.size();
    while (inLeft > 0) {
        char* target = buffer;
        gsize targetLeft = sizeof buffer;
        gsize result = g_iconv(cd, &in, &inLeft, &target, &targetLeft);
        int error = errno;
        out.append(buffer, static_cast<std::size_t>(target - buffer));
        if (result != static_cast<gsize>(-1) || error == E2BIG) continue;
        out += kReplacement;
        if (error == EINVAL) break;  // cut off inside a character
        ++in;                        // a sequence the charset cannot read: skip a byte and read on
        --inLeft;
    }
    // A stateful charset may still hold a character.
    char* target = buffer;
    gsize targetLeft = sizeof buffer;
    g_iconv(cd, nullptr, nullptr, &target, &targetLeft);
    out.append(buffer, static_cast<std::size_t>(target - buffer));
    g_iconv_close(cd);
    return out;
}

// ISO-2022-JP as Windows reads it (code pages 50220-50222): its escapes turned
// into CP932 bytes, so the NEC row 13 (circled digits, ㈱) and the IBM rows
// come through, and half-width katakana whether shifted by ESC ( I or SO/SI.
// JIS X 0212 has no CP932 bytes; each of its characters becomes 0xFF, which
// CP932 never uses, so it is replaced once decoded.
std::string Iso2022JpAsCp932(const std::string& bytes) {
    enum class Set { Ascii, Katakana, Jis0208, Jis0212 } set = Set::Ascii;
    bool shiftedOut = false;
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        auto c = static_cast<unsigned char>(bytes[i]);
        std::string_view rest = std::string_view(bytes).substr(i);
        if (c == 0x1B) {
            static const std::pair<std::string_view, Set> escapes[] = {
                {"\x1B(B", Set::Ascii},    {"\x1B(J", Set::Ascii},
                {"\x1B(H", Set::Ascii},    {"\x1B(I", Set::Katakana},
                {"\x1B$@", Set::Jis0208},  {"\x1B$B", Set::Jis0208},
                {"\x1B$(B", Set::Jis0208}, {"\x1B$(Q", Set::Jis0208},
                {"\x1B$(D", Set::Jis0212}, {"\x1B&@", set}};
            bool known = false;
            for (const auto& [escape, next] : escapes) {
                if (!rest.starts_with(escape)) continue;
                set = escape == "\x1B&@" ? set : next;
                i += escape.size() - 1;
                known = true;
                break;
            }
            if (!known) out += '\xFF';
            continue;
        }
        if (c == 0x0E || c == 0x0F) {
            shiftedOut = c == 0x0E;
            continue;
        }
        bool graphic = c >= 0x21 && c <= 0x7E;
        if (graphic && (shiftedOut || set == Set::Katakana)) {
            out += c <= 0x5F ? static_cast<char>(c + 0x80) : '\xFF';
        } else if (graphic && (set == Set::Jis0208 || set == Set::Jis0212)) {
            auto second = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
            if (second < 0x21 || second > 0x7E) {
                out += '\xFF';
                continue;
            }
            ++i;
            if (set == Set::Jis0212) {
                out += '\xFF';
                continue;
            }
            int lead = ((c + 1) >> 1) + (c <= 0x5E ? 0x70 : 0xB0);
            int trail = second + ((c & 1) ? (second >= 0x60 ? 0x20 : 0x1F) : 0x7E);
            out += static_cast<char>(lead);
            out += static_cast<char>(trail);
        } else {
            out += static_cast<char>(c);  // controls, line ends; 8-bit bytes are read as CP932 too
        }
    }
    return out;
}

}  // namespace

std::string ToUtf8(const std::string& bytes, const std::string& charset) {
    InitGMime();
    if (!charset.empty()) {
        std::string name = WindowsCharset(charset);
        if (name == kIso2022Jp) return *DecodeLossily(Iso2022JpAsCp932(bytes), "CP932");
        if (auto text = DecodeLossily(bytes, name.c_str())) return *text;
    }
    if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) return bytes;
    return *DecodeLossily(bytes, "WINDOWS-1252");
}

bool IsStatefulCharset(const std::string& charset) {
    std::string name = WindowsCharset(charset);
    return name == kIso2022Jp || utf::AsciiLower(name).starts_with("iso-2022") || utf::AsciiLower(name) == "utf-7";
}

}  // namespace kv::mailmsg
