// The one internal bus interface that carries all of the library's port
// traffic. Three implementations: the real I/O ports, the empty bus and the
// simulated board (board/sim).
#pragma once

#include <cstdint>
#include <memory>

namespace orva::board {

class Bus {
 public:
  virtual ~Bus() = default;
  virtual std::uint8_t Read8(std::uint16_t port) = 0;
  virtual std::uint16_t Read16(std::uint16_t port) = 0;
  virtual void Write8(std::uint16_t port, std::uint8_t value) = 0;
  virtual void Write16(std::uint16_t port, std::uint16_t value) = 0;
  // The port-driver stand-in: request access to ports [first, first + count)
  // (0 when granted, else a non-zero reason) and give it back again.
  virtual std::int32_t RequestAccess(std::uint16_t first, std::uint16_t count) = 0;
  virtual void ReleaseAccess(std::uint16_t first, std::uint16_t count) = 0;
};

// The bus in force. On first use it is chosen from the environment:
// ORVABOARD_SIM naming a model puts a simulated board on it (its inputs from
// ORVABOARD_SIM_SIGNALS), otherwise the real ports are used.
Bus& CurrentBus();
// Replaces the bus in force (the previous one is destroyed).
void ReplaceBus(std::unique_ptr<Bus> bus);

// The four port primitives: every register access of the library goes here.
inline std::uint8_t port_read8(std::uint16_t port) { return CurrentBus().Read8(port); }
inline std::uint16_t port_read16(std::uint16_t port) { return CurrentBus().Read16(port); }
inline void port_write8(std::uint16_t port, std::uint8_t v) { CurrentBus().Write8(port, v); }
inline void port_write16(std::uint16_t port, std::uint16_t v) { CurrentBus().Write16(port, v); }

std::unique_ptr<Bus> MakeHardwareBus();
std::unique_ptr<Bus> MakeEmptyBus();

}  // namespace orva::board
