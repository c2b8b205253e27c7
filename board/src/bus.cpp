#include "bus.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "../sim/sim_board.h"
#include "orva/ports.h"

namespace orva::board {

namespace {

// Real ports through the kernel's grant; ports it refuses behave as an empty bus.
class HardwareBus final : public Bus {
 public:
  std::uint8_t Read8(std::uint16_t port) override { return orva::ports::In8(port); }
  std::uint16_t Read16(std::uint16_t port) override { return orva::ports::In16(port); }
  void Write8(std::uint16_t port, std::uint8_t v) override { orva::ports::Out8(port, v); }
  void Write16(std::uint16_t port, std::uint16_t v) override { orva::ports::Out16(port, v); }
  std::int32_t RequestAccess(std::uint16_t first, std::uint16_t count) override {
    return orva::ports::RequestAccess(first, count);
  }
  void ReleaseAccess(std::uint16_t first, std::uint16_t count) override {
    orva::ports::ReleaseAccess(first, count);
  }
};

// Nothing on the bus: reads float high, writes go nowhere, access refused.
class EmptyBus final : public Bus {
 public:
  std::uint8_t Read8(std::uint16_t) override { return 0xFF; }
  std::uint16_t Read16(std::uint16_t) override { return 0xFFFF; }
  void Write8(std::uint16_t, std::uint8_t) override {}
  void Write16(std::uint16_t, std::uint16_t) override {}
  std::int32_t RequestAccess(std::uint16_t, std::uint16_t) override { return EPERM; }
  void ReleaseAccess(std::uint16_t, std::uint16_t) override {}
};

std::unique_ptr<Bus> BusFromEnvironment() {
  const char* model_text = std::getenv("ORVABOARD_SIM");
  if (model_text == nullptr || *model_text == '\0') return MakeHardwareBus();
  sim::Model model;
  if (!sim::ParseModel(model_text, &model)) {
    std::fprintf(stderr,
                 "orvaboard: ORVABOARD_SIM=\"%s\" is not a model (ktr5, ktr4, ktr2 or ktr1); "
                 "using the real ports\n",
                 model_text);
    return MakeHardwareBus();
  }
  auto board = std::make_unique<sim::SimBoard>(model);
  if (const char* signals = std::getenv("ORVABOARD_SIM_SIGNALS"); signals != nullptr) {
    sim::Signal ch1, ch2;
    std::string error;
    if (sim::ParseSignals(signals, &ch1, &ch2, &error)) {
      board->SetSignal(1, ch1);
      board->SetSignal(2, ch2);
    } else {
      std::fprintf(stderr, "orvaboard: ORVABOARD_SIM_SIGNALS: %s; using the default signals\n",
                   error.c_str());
    }
  }
  return board;
}

std::unique_ptr<Bus>& Slot() {
  static std::unique_ptr<Bus> bus = BusFromEnvironment();
  return bus;
}

}  // namespace

Bus& CurrentBus() { return *Slot(); }

void ReplaceBus(std::unique_ptr<Bus> bus) {
  if (bus) Slot() = std::move(bus);
}

std::unique_ptr<Bus> MakeHardwareBus() { return std::make_unique<HardwareBus>(); }
std::unique_ptr<Bus> MakeEmptyBus() { return std::make_unique<EmptyBus>(); }

}  // namespace orva::board
