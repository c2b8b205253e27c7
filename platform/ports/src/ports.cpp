#include "orva/ports.h"

#include <array>
#include <cerrno>
#include <mutex>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define ORVA_HAVE_PORT_IO 1
#else
#define ORVA_HAVE_PORT_IO 0
#endif

namespace orva::ports {

namespace {

constexpr std::uint8_t kGranted = 1;   // the kernel granted the port
constexpr std::uint8_t kInUse = 2;     // In/Out use it: keep the grant
constexpr std::uint8_t kRefused = 4;   // In/Out asked once and were refused

struct State {
  std::mutex mutex;
  bool allowed = true;
  std::array<std::uint8_t, 65536> flags{};
  std::array<std::uint16_t, 65536> claims{};
};

State& state() {
  static State s;
  return s;
}

int KernelGrant(std::uint16_t first, std::uint32_t count, bool on) {
#if ORVA_HAVE_PORT_IO
  if (::ioperm(first, count, on ? 1 : 0) == 0) return 0;
  return errno != 0 ? errno : EPERM;
#else
  (void)first;
  (void)count;
  (void)on;
  return ENOSYS;
#endif
}

// Grants [first, first + count) for the access functions, once. Caller holds
// the mutex. True when every port of the range is usable.
bool EnsureForAccess(State& s, std::uint16_t first, std::uint32_t count) {
  if (std::uint32_t{first} + count > 65536u) return false;
  bool all = true;
  for (std::uint32_t p = first; p < first + count; ++p) {
    if (!(s.flags[p] & kGranted)) all = false;
  }
  if (!all) {
    for (std::uint32_t p = first; p < first + count; ++p) {
      if (s.flags[p] & kRefused) return false;
    }
    if (!s.allowed || KernelGrant(first, count, true) != 0) {
      for (std::uint32_t p = first; p < first + count; ++p) s.flags[p] |= kRefused;
      return false;
    }
  }
  for (std::uint32_t p = first; p < first + count; ++p) s.flags[p] |= kGranted | kInUse;
  return true;
}

}  // namespace

int RequestAccess(std::uint16_t first, std::uint16_t count) {
  if (count == 0 || std::uint32_t{first} + count > 65536u) return EINVAL;
  State& s = state();
  std::lock_guard lock(s.mutex);
  bool all = true;
  for (std::uint32_t p = first; p < std::uint32_t{first} + count; ++p) {
    if (!(s.flags[p] & kGranted)) all = false;
  }
  if (!all) {
    if (!s.allowed) return EACCES;
    if (const int err = KernelGrant(first, count, true); err != 0) return err;
  }
  for (std::uint32_t p = first; p < std::uint32_t{first} + count; ++p) {
    s.flags[p] = static_cast<std::uint8_t>((s.flags[p] | kGranted) & ~kRefused);
    if (s.claims[p] < 0xFFFF) ++s.claims[p];
  }
  return 0;
}

void ReleaseAccess(std::uint16_t first, std::uint16_t count) {
  if (count == 0 || std::uint32_t{first} + count > 65536u) return;
  State& s = state();
  std::lock_guard lock(s.mutex);
  for (std::uint32_t p = first; p < std::uint32_t{first} + count; ++p) {
    if (s.claims[p] == 0) continue;  // a release without a claim is ignored
    if (--s.claims[p] == 0 && !(s.flags[p] & kInUse) && (s.flags[p] & kGranted)) {
      KernelGrant(static_cast<std::uint16_t>(p), 1, false);
      s.flags[p] = static_cast<std::uint8_t>(s.flags[p] & ~kGranted);
    }
  }
}

bool Granted(std::uint16_t port) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  return (s.flags[port] & kGranted) != 0;
}

void SetKernelGrantAllowed(bool allowed) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  s.allowed = allowed;
  if (allowed) {
    // Let the access functions ask again for ports refused earlier.
    for (auto& f : s.flags) f = static_cast<std::uint8_t>(f & ~kRefused);
  }
}

std::uint8_t In8(std::uint16_t port) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (!EnsureForAccess(s, port, 1)) return 0xFF;
#if ORVA_HAVE_PORT_IO
  return ::inb(port);
#else
  return 0xFF;
#endif
}

std::uint16_t In16(std::uint16_t port) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (!EnsureForAccess(s, port, 2)) return 0xFFFF;
#if ORVA_HAVE_PORT_IO
  return ::inw(port);
#else
  return 0xFFFF;
#endif
}

void Out8(std::uint16_t port, std::uint8_t value) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (!EnsureForAccess(s, port, 1)) return;
#if ORVA_HAVE_PORT_IO
  ::outb(value, port);
#else
  (void)value;
#endif
}

void Out16(std::uint16_t port, std::uint16_t value) {
  State& s = state();
  std::lock_guard lock(s.mutex);
  if (!EnsureForAccess(s, port, 2)) return;
#if ORVA_HAVE_PORT_IO
  ::outw(value, port);
#else
  (void)value;
#endif
}

}  // namespace orva::ports
