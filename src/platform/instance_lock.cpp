// What every back end's lock shares: where the lock file goes.
#include "platform/instance_lock.h"

#include "platform/paths.h"

namespace kasumido {

std::string InstanceLockPath(std::string_view folder) {
  std::string path(folder);
  if (path.empty() || path.back() != PathSeparator()) path += PathSeparator();
  path += kInstanceLockFileName;
  return path;
}

}  // namespace kasumido
