#pragma once
// A platform window as the core passes it on without looking inside: the
// window a button was pressed in, which the dialog and the boxes of that
// import belong to. 0 is none.
#include <cstdint>

namespace kv {

using NativeWindow = std::uintptr_t;

}  // namespace kv
