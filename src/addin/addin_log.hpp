#pragma once
// The add-in's log: KVOutlookAddin.log beside the add-in's module file, at
// level 1 or the level the settings raise it to.
#include "context/addin_context.hpp"

namespace kv {

// Points gLog at its file and applies the stored level; never raises (an
// unreadable level keeps level 1 and is logged).
void OpenAddinLog(AddinContext& ctx) noexcept;

}  // namespace kv
