#pragma once
// The add-in as the platform's entry object sees it. The COM class that the
// host creates does nothing itself: it hands every add-in call over to this.
// The host application is given when the object is made (the platform wraps
// it for the core), so the calls carry only what the host passes besides.
#include <string>

namespace kv {

class AddinHost {
 public:
  virtual ~AddinHost() = default;

  // progId: the add-in instance's ProgId as the host reports it.
  virtual void OnConnection(const std::string& progId) = 0;
  // removeMode 0: the host is shutting down; any other value: the user
  // unloaded the add-in.
  virtual void OnDisconnection(int removeMode) = 0;
  virtual void OnAddInsUpdate() {}
  virtual void OnStartupComplete() {}
  virtual void OnBeginShutdown() {}
};

}  // namespace kv
