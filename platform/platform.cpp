#include "platform/platform.h"

#include <cstdlib>

namespace mm {

namespace {
Platform* g_platform = nullptr;
}

Platform& Os() {
  // Using the seam before it is set is a programming error, not a state to
  // limp through.
  if (g_platform == nullptr) std::abort();
  return *g_platform;
}

void SetOs(Platform* platform) { g_platform = platform; }

}  // namespace mm
