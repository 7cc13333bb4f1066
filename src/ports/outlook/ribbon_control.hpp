#pragma once
// A ribbon control as the host hands it to a callback (Office's
// IRibbonControl): the control's id and tag, and the window it was pressed in.
#include <memory>
#include <string>

#include "ports/outlook/host.hpp"

namespace kv::outlook {

struct RibbonControl {
    std::string id;
    std::string tag;
    // The explorer or inspector the button sits in; empty when the host
    // gave none.
    std::shared_ptr<Window> context;
};

}  // namespace kv::outlook
