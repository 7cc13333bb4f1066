#pragma once
// The add-in's diagnostic log: one line per message, appended to a plain text
// file that is opened and closed for every line, so it is never held open.
#include <cstdint>
#include <string>

#include "ports/clock.hpp"

namespace kv {

enum class LogType : std::int32_t { Information = 0, Warning = 1, Error = 2 };

class FileLog {
public:
    // The clock gives the time stamp in the user's format; it must outlive
    // the log.
    explicit FileLog(const Clock& clock) : clock_(&clock) {}

    const std::string& LogFile() const { return logFile_; }
    void LogFile(std::string path) { logFile_ = std::move(path); }
    std::int32_t LogLevel() const { return logLevel_; }
    void LogLevel(std::int32_t level) { logLevel_ = level; }

    // A message of level L is written when L is 0 or less than LogLevel.
    void WriteToLog(const std::string& strlogmessage, std::int32_t lngLogLevel = 0, std::int32_t logType = 0) noexcept;
    void LogInfoFile(const std::string& strlogmessage, std::int32_t lngLogLevel = 0) noexcept;
    void LogErrorFile(const std::string& strlogmessage, std::int32_t lngLogLevel = 0) noexcept;
    void LogWarningFile(const std::string& strlogmessage, std::int32_t lngLogLevel = 0) noexcept;

    // "INFORMATION", "WARNING", "ERROR", or "" for any other number.
    static std::string TypeWord(std::int32_t logType);

private:
    bool Passes(std::int32_t level) const { return level == 0 || level < logLevel_; }
    void WriteLogLine(const std::string& message, std::int32_t logType) noexcept;

    const Clock* clock_;
    std::string logFile_;
    std::int32_t logLevel_ = 0;
};

}  // namespace kv
