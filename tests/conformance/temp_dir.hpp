#pragma once
// The conformance suites use the one temporary-folder helper of the tests.
#include "fakes/temp_dir.hpp"

namespace kv::testing {
using TempDir = kv::fakes::TempDir;
}  // namespace kv::testing
