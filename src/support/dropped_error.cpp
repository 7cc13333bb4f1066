#include "support/dropped_error.hpp"

namespace kv {

void LogDroppedError(FileLog& log, std::string_view where, const Error& error) noexcept {
    try {
        log.WriteToLog(std::string(where) + ": " + error.Description() + " (" + std::to_string(error.Number()) + ")", 1,
                       static_cast<std::int32_t>(LogType::Error));
    } catch (...) {
        // Building the line ran out of memory: the line is lost, as any log line may be.
    }
}

}  // namespace kv
