// Port layer: the kernel's grant of x86 I/O ports to this process, and byte /
// word access to granted ports with an empty-bus fallback.
//
// Linux grants ports with ioperm(), which needs CAP_SYS_RAWIO (give it to the
// binary with `setcap cap_sys_rawio+ep`, never run the program as root). When
// the grant is refused (EPERM), not available (ENOSYS, e.g. on some virtual
// machines) or the build is not x86, every access behaves as an empty ISA bus:
// reads give all ones (0xFF / 0xFFFF) and writes are dropped. An access never
// faults for lack of privilege: a port is touched with a real I/O instruction
// only after the kernel granted it.
//
// Grants are counted per port. In8/In16/Out8/Out16 ask once for the ports they
// touch and keep that grant for the life of the process; RequestAccess /
// ReleaseAccess pairs add and remove a claim of their own, and a release never
// takes away a port that the access functions are using.
//
// Not meant for concurrent use from several threads on the same ports; the
// bookkeeping itself is guarded by a mutex.
#pragma once

#include <cstdint>

namespace orva::ports {

// Asks for ports [first, first + count). 0 when every port is granted, else an
// errno value (EPERM, ENOSYS, EINVAL for a range past 0xFFFF or count 0, or
// EACCES when grants are switched off with SetKernelGrantAllowed(false)).
int RequestAccess(std::uint16_t first, std::uint16_t count);
// Gives back a claim taken by a successful RequestAccess.
void ReleaseAccess(std::uint16_t first, std::uint16_t count);
// True when the process currently holds the kernel's grant for the port.
bool Granted(std::uint16_t port);

// Off: no new grant is asked of the kernel (ports already granted stay), so
// the process behaves as an unprivileged one. On by default.
void SetKernelGrantAllowed(bool allowed);

// One I/O instruction on a granted port; empty-bus behaviour otherwise. Word
// accesses need both byte ports (port and port + 1).
std::uint8_t In8(std::uint16_t port);
std::uint16_t In16(std::uint16_t port);
void Out8(std::uint16_t port, std::uint8_t value);
void Out16(std::uint16_t port, std::uint16_t value);

}  // namespace orva::ports
