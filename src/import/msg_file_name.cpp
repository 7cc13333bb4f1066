#include "import/msg_file_name.hpp"

#include <array>
#include <atomic>
#include <cstdio>
#include <limits>
#include <random>

#include "support/error.hpp"
#include "support/error_trap.hpp"
#include "support/utf.hpp"

namespace kv {

namespace {

constexpr const char* kSource = "MsgFileName";
constexpr std::string_view kExtension = ".msg";

// The longest prefix of at most maxBytes bytes that ends on a character
// boundary.
std::string_view Utf8Left(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut);
}

// The longest prefix of base that leaves room for rest under the limits.
std::string FitBase(const std::string& folder, std::string_view base, std::string_view rest,
                    const FileNameLimits& limits) {
    std::string fitted(base);
    const auto roomFor = [](std::size_t limit, std::size_t used) -> std::size_t {
        return used >= limit ? 0 : limit - used;
    };
    if (limits.maxNameBytes > 0) fitted = Utf8Left(fitted, roomFor(limits.maxNameBytes, rest.size()));
    if (limits.maxNameUnits > 0) fitted = utf::Utf16Left(fitted, roomFor(limits.maxNameUnits, utf::Utf16Length(rest)));
    if (limits.maxPathUnits > 0) {
        const std::size_t used = utf::Utf16Length(folder) + utf::Utf16Length(rest);
        fitted = utf::Utf16Left(fitted, roomFor(limits.maxPathUnits, used));
    }
    return fitted;
}

}  // namespace

std::string SafeFileBase(std::string_view cleanedSubject) {
    std::string out = utf::ToUtf8(utf::ToUtf16(cleanedSubject));
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) c = '_';
    }
    return out;
}

bool IsReservedDeviceName(std::string_view base) {
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    const std::string upper = utf::AsciiUpper(base);
    static constexpr std::array<std::string_view, 4> devices = {"CON", "PRN", "AUX", "NUL"};
    for (std::string_view d : devices) {
        if (upper == d) return true;
    }
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
           upper[3] <= '9';
}

std::string MsgFilePath(const std::string& folder, std::string_view base, std::int32_t number,
                        const FileNameLimits& limits) {
    const std::string suffix = number > 0 ? "_" + std::to_string(number) : std::string();
    const std::string rest = suffix + std::string(kExtension);
    std::string fitted = FitBase(folder, base, rest, limits);
    // Windows reads the part before the first dot as the device name.
    if (IsReservedDeviceName(fitted + suffix)) {
        // Room for the "_": a device name cut by one is no device name.
        fitted = FitBase(folder, fitted, "_" + rest, limits) + "_";
    }
    if (fitted.empty() && !base.empty()) {
        throw Error(fserr::BadFileName, kSource,
                    "Bad file name or number: the folder path leaves no room for a file name: " + folder);
    }
    return folder + fitted + rest;
}

MsgFileName FirstFreeMsgFile(FileSystem& files, const std::string& folder, std::string_view base,
                             const FileNameLimits& limits) {
    MsgFileName name{MsgFilePath(folder, base, 0, limits), 0};
    while (files.FileExists(name.path)) {
        if (name.number == std::numeric_limits<std::int32_t>::max())
            throw Error(fserr::FileAlreadyExists, kSource, "File already exists: no free number for " + name.path);
        ++name.number;
        name.path = MsgFilePath(folder, base, name.number, limits);
    }
    return name;
}

std::string TemporaryMsgName() {
    // One random seed per process, a counter per name: threads of one
    // process never collide, processes only by a 48-bit chance.
    static const std::uint64_t seed = [] {
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }();
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ULL * (counter.fetch_add(1) + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "~kv%012llx.tmp", static_cast<unsigned long long>(z & 0xFFFFFFFFFFFFULL));
    return buffer;
}

namespace {

// How a host refuses a format it does not know, in its own words or ours.
bool IsArgumentRefusal(const Error& e) {
    switch (e.Number()) {
    case errnum::TypeMismatch:
    case errnum::InvalidArgument:
    case outlook::hosterr::BadArgument:
    case outlook::hosterr::BadArgumentType: return true;
    default: return false;
    }
}

}  // namespace

void SaveAsMsgFile(outlook::MailWrapper& saver, const std::string& path) {
    try {
        saver.SaveAs(path, outlook::SaveAsMsgUnicode);
    } catch (const Error& e) {
        // A host older than the Unicode format refuses it as an argument it
        // does not know; the code-page format is all it can write. Any other
        // failure is what it is: a mail saved in the code-page format where
        // Unicode could be written would lose its non-Latin text.
        if (!IsArgumentRefusal(e)) throw;
        saver.SaveAs(path, outlook::SaveAsMsg);
    }
}

std::string SaveMsgWithoutReplacing(FileSystem& files, outlook::MailWrapper& saver, const std::string& folder,
                                    std::string_view base, std::int32_t firstNumber, const FileNameLimits& limits) {
    const std::string temp = folder + TemporaryMsgName();
    try {
        SaveAsMsgFile(saver, temp);
        // Its data on the disk before it has a name a row may point at.
        files.FlushFile(temp);
        for (std::int32_t number = firstNumber;; ++number) {
            const std::string path = MsgFilePath(folder, base, number, limits);
            if (files.MoveFileNoReplace(temp, path)) return path;
            if (number == std::numeric_limits<std::int32_t>::max())
                throw Error(fserr::FileAlreadyExists, kSource, "File already exists: no free number for " + path);
        }
    } catch (...) {
        // A half-written or unnamed temporary file is of no use to anyone;
        // one that cannot be removed is named in the failure, not lost.
        Error failure = CurrentError();
        try {
            files.RemoveFile(temp);
        } catch (...) {
            failure = Error(failure.Number(), failure.Source(),
                            failure.Description() + " (the temporary file " + temp +
                                " could not be removed: " + CurrentError().Description() + ")");
        }
        throw failure;
    }
}

}  // namespace kv
