#include "ports/procedure_body.hpp"

#include <algorithm>
#include <cctype>

namespace kv::db::detail {

namespace {

enum class Kind { Code, Quoted, Comment, Semicolon, Marker };

struct Piece {
    Kind kind;
    std::size_t begin, end;
    bool bare = false;  // Marker: "?" without a number
    int number = 0;     // Marker: N of "?N"
};

constexpr auto npos = std::string_view::npos;

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool StartsPiece(std::string_view text, std::size_t i) {
    const char c = text[i];
    if (c == '\'' || c == '"' || c == '`' || c == '[' || c == ';' || c == '?') return true;
    const std::string_view two = text.substr(i, 2);
    return two == "--" || two == "/*";
}

// The piece of text that starts at i (i < text.size()).
Piece Next(std::string_view text, std::size_t i) {
    const char c = text[i];
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
        // A doubled quote closes one literal and opens the next: the same text.
        const std::size_t close = text.find(c == '[' ? ']' : c, i + 1);
        return {Kind::Quoted, i, close == npos ? text.size() : close + 1};
    }
    if (text.substr(i, 2) == "--") {
        const std::size_t lineEnd = text.find('\n', i + 2);
        return {Kind::Comment, i, lineEnd == npos ? text.size() : lineEnd};
    }
    if (text.substr(i, 2) == "/*") {
        const std::size_t close = text.find("*/", i + 2);
        return {Kind::Comment, i, close == npos ? text.size() : close + 2};
    }
    if (c == ';') return {Kind::Semicolon, i, i + 1};
    if (c == '?') {
        std::size_t j = i + 1;
        int number = 0;
        for (; j < text.size() && IsDigit(text[j]); ++j)
            number = std::min(number * 10 + (text[j] - '0'), MaxParameterNumber + 1);
        return {Kind::Marker, i, j, j == i + 1, number};
    }
    std::size_t j = i + 1;
    while (j < text.size() && !StartsPiece(text, j)) ++j;
    return {Kind::Code, i, j};
}

template <class OnPiece>
void Scan(std::string_view text, OnPiece onPiece) {
    for (std::size_t i = 0; i < text.size();) {
        const Piece piece = Next(text, i);
        onPiece(piece);
        i = piece.end;
    }
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::vector<std::string_view> SplitStatements(std::string_view body) {
    std::vector<std::string_view> statements;
    std::size_t start = 0;
    bool hasContent = false;
    const auto close = [&](std::size_t end) {
        if (hasContent) statements.push_back(TrimBlanks(body.substr(start, end - start)));
        start = end + 1;
        hasContent = false;
    };
    Scan(body, [&](const Piece& piece) {
        switch (piece.kind) {
        case Kind::Semicolon: close(piece.begin); break;
        case Kind::Comment: break;
        case Kind::Code: {
            const std::string_view code = body.substr(piece.begin, piece.end - piece.begin);
            hasContent = hasContent || !std::all_of(code.begin(), code.end(), IsBlank);
            break;
        }
        default: hasContent = true;
        }
    });
    close(body.size());
    return statements;
}

int ParameterCount(std::string_view body) {
    int highest = 0, bare = 0;
    Scan(body, [&](const Piece& piece) {
        if (piece.kind != Kind::Marker) return;
        if (piece.bare) highest = std::max(highest, ++bare);
        else if (piece.number <= MaxParameterNumber) highest = std::max(highest, piece.number);
    });
    return highest;
}

PositionalStatement ToPositional(std::string_view statement) {
    PositionalStatement out;
    out.text.reserve(statement.size());
    int highest = 0;
    Scan(statement, [&](const Piece& piece) {
        if (piece.kind == Kind::Comment) {
            out.text += ' ';
        } else if (piece.kind == Kind::Marker) {
            const int number = piece.bare ? std::min(highest + 1, MaxParameterNumber + 1) : piece.number;
            highest = std::max(highest, number);
            out.parameters.push_back(number);
            out.text += '?';
        } else {
            out.text += statement.substr(piece.begin, piece.end - piece.begin);
        }
    });
    return out;
}

std::string WithoutNameBrackets(std::string_view statement) {
    const auto isPlainName = [](std::string_view name) {
        return !name.empty() && !IsDigit(name.front()) && std::all_of(name.begin(), name.end(), [](char c) {
            return c == '_' || std::isalnum(static_cast<unsigned char>(c)) != 0;
        });
    };
    std::string out;
    out.reserve(statement.size());
    Scan(statement, [&](const Piece& piece) {
        const std::string_view text = statement.substr(piece.begin, piece.end - piece.begin);
        const bool bracketed = piece.kind == Kind::Quoted && text.front() == '[' && text.back() == ']';
        out += bracketed && isPlainName(text.substr(1, text.size() - 2)) ? text.substr(1, text.size() - 2) : text;
    });
    return out;
}

}  // namespace kv::db::detail
