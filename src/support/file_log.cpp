#include "support/file_log.hpp"

#include <filesystem>
#include <fstream>

namespace kv {

std::string FileLog::TypeWord(std::int32_t logType) {
    switch (logType) {
    case 0: return "INFORMATION";
    case 1: return "WARNING";
    case 2: return "ERROR";
    default: return "";
    }
}

void FileLog::WriteToLog(const std::string& strlogmessage, std::int32_t lngLogLevel, std::int32_t logType) noexcept {
    if (Passes(lngLogLevel)) WriteLogLine(strlogmessage, logType);
}

void FileLog::LogInfoFile(const std::string& strlogmessage, std::int32_t lngLogLevel) noexcept {
    WriteToLog(strlogmessage, lngLogLevel, 0);
}

void FileLog::LogErrorFile(const std::string& strlogmessage, std::int32_t lngLogLevel) noexcept {
    WriteToLog(strlogmessage, lngLogLevel, 2);
}

void FileLog::LogWarningFile(const std::string& strlogmessage, std::int32_t lngLogLevel) noexcept {
    WriteToLog(strlogmessage, lngLogLevel, 1);
}

void FileLog::WriteLogLine(const std::string& message, std::int32_t logType) noexcept {
    // A log that cannot be written loses the line; the caller is never disturbed.
    try {
        if (logFile_.empty()) return;
        std::string line = clock_->FormatGeneralDate(clock_->Now());
        line += "\t\t" + TypeWord(logType) + "\t\t" + message + "\r\n";
        std::filesystem::path path(std::u8string(logFile_.begin(), logFile_.end()));
        std::ofstream out(path, std::ios::binary | std::ios::app);
        if (!out) return;
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    } catch (...) {}
}

}  // namespace kv
