#pragma once
// Outside programs run through the shell, for tests that read our files back
// with readers that are not ours.
#include <cstdio>
#include <string>
#include <utility>

namespace kv::fakes {

// The command's exit status (-1: it could not start) and its output, stderr too.
inline std::pair<int, std::string> RunCommand(const std::string& command) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[65536];
    for (std::size_t n; pipe != nullptr && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    return {pipe != nullptr ? pclose(pipe) : -1, output};
}

// text as one word of a shell command, whatever is in it.
inline std::string ShellWord(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace kv::fakes
