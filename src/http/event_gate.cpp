#include "http/event_gate.h"

#include <cstdio>
#include <cstdlib>

namespace kasumido {

void EventGate::BrokenRule() const {
  std::fprintf(stderr,
               "kasumido: %s destroyed inside one of its own events; post the destruction "
               "to the event loop instead\n",
               owner_);
  std::fflush(stderr);
  std::abort();
}

}  // namespace kasumido
