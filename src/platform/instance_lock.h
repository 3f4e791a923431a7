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

    // Asks the process that holds the marker for instanceName to bring its window forward (SIGUSR1,
    // sent only to a textreel whose process id the lock file holds). Quietly does nothing otherwise.
    static void SignalHolder(std::string_view instanceName);

    // The lock file used for a name, for tests and messages.
    static std::string PathFor(std::string_view instanceName);

  private:
    int fd_ = -1;
};

}  // namespace textreel
