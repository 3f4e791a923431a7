// The marker that a copy of a title is running: a lock file held with flock, keyed by the
// instance name, in the user's runtime folder. The kernel drops the lock when the process ends.
#pragma once

#include <string>
#include <string_view>

namespace textreel {

class InstanceLock {
  public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    enum class Result { kAcquired, kHeldElsewhere, kUnavailable };

    // Takes the marker for instanceName (Shift-JIS bytes). kUnavailable means the lock file could
    // not be made at all; the caller then runs without the single-instance guard.
    Result Acquire(std::string_view instanceName);
    void Release();

    // The lock file used for a name, for tests and messages.
    static std::string PathFor(std::string_view instanceName);

  private:
    int fd_ = -1;
};

}  // namespace textreel
