#include "support/error.hpp"

#include <new>

namespace kv {

Error::Error(std::int32_t number, std::string source, std::string description)
    : std::runtime_error(description),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)) {}

Error CurrentError() {
    try {
        throw;
    } catch (const Error& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return Error(7, "KVOutlookAddin", "Out of memory");
    } catch (const std::exception& e) {
        return Error(errnum::Unexpected, "KVOutlookAddin", e.what());
    } catch (...) {
        return Error(errnum::Unexpected, "KVOutlookAddin", "Unknown error");
    }
}

}  // namespace kv
