// Any procedure body through the statement splitter, the parameter count
// and the positional rewrite: no crash, statements are pieces of the body,
// and every parameter number is as read, saturated past the highest one.
#include <cstdint>
#include <string>

#include "ports/procedure_body.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    (void)kv::db::detail::ParameterCount(body);
    for (std::string_view statement : kv::db::detail::SplitStatements(body)) {
        if (statement.data() < body.data() || statement.data() + statement.size() > body.data() + body.size())
            __builtin_trap();
        const auto positional = kv::db::detail::ToPositional(statement);
        for (int p : positional.parameters)
            if (p < 0 || p > kv::db::detail::MaxParameterNumber + 1) __builtin_trap();
    }
    return 0;
}
