#pragma once
// Temporary files in flight, removed when the process is told to end. SIGINT, SIGTERM and
// SIGHUP then remove every temporary registered and end the process with 128 + signal, as
// a shell reports a process the signal ended. The registry is process-wide by nature: a
// signal handler has nothing else to reach.

#include <string>

namespace brevine::platform {

// Installs the handlers (once; later calls do nothing).
void RemoveTemporariesOnInterrupt();

// Registers the entry `name` of the open folder `folder` for the object's lifetime. With
// every place taken (more writes at once than the table holds) the temporary is simply not
// registered: its lock still tells a later run that it is free to remove.
class InFlightTemporary {
 public:
  InFlightTemporary(int folder, const std::string& name);
  ~InFlightTemporary();
  InFlightTemporary(const InFlightTemporary&) = delete;
  InFlightTemporary& operator=(const InFlightTemporary&) = delete;

 private:
  int slot_ = -1;
};

}  // namespace brevine::platform
