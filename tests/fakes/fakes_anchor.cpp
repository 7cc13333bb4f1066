// Keeps the fakes library non-empty while the port fakes grow beside it.
namespace kv::fakes { int anchor = 0; }
