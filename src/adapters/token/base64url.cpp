#include "token/base64url.hpp"

#include <array>
#include <cstdint>

namespace kv::token {

namespace {

constexpr std::uint8_t NotInAlphabet = 0xFF;
constexpr std::string_view Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

constexpr std::array<std::uint8_t, 256> DecodeTable() {
    std::array<std::uint8_t, 256> table{};
    table.fill(NotInAlphabet);
    for (std::size_t i = 0; i < Alphabet.size(); ++i)
        table[static_cast<unsigned char>(Alphabet[i])] = static_cast<std::uint8_t>(i);
    return table;
}

constexpr auto Sextets = DecodeTable();

}  // namespace

std::string EncodeBase64Url(std::string_view bytes) {
    std::string text;
    text.reserve((bytes.size() * 4 + 2) / 3);
    std::uint32_t bits = 0;
    int count = 0;
    for (unsigned char byte : bytes) {
        bits = (bits << 8) | byte;
        count += 8;
        while (count >= 6) {
            count -= 6;
            text += Alphabet[(bits >> count) & 0x3F];
        }
    }
    if (count > 0) text += Alphabet[(bits << (6 - count)) & 0x3F];
    return text;
}

std::optional<std::string> DecodeBase64Url(std::string_view text) {
    if (text.size() % 4 == 1) return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() * 3 / 4);
    std::uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        const std::uint8_t sextet = Sextets[static_cast<unsigned char>(c)];
        if (sextet == NotInAlphabet) return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(sextet);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    if ((bits & ((1u << count) - 1)) != 0) return std::nullopt;
    return bytes;
}

}  // namespace kv::token
