// The simulated-board API of orvaboard_sim.h: installs buses and reaches the
// simulated board in force.
#include <memory>

#include "../src/bus.h"
#include "../src/stopwatch.h"
#include "sim_board.h"

namespace orva::board::sim {

namespace {
SimBoard* Board() { return dynamic_cast<SimBoard*>(&CurrentBus()); }
}  // namespace

void InstallSimulatedBoard(Model model) { ReplaceBus(std::make_unique<SimBoard>(model)); }
void InstallEmptyBus() { ReplaceBus(MakeEmptyBus()); }
void InstallHardwareBus() { ReplaceBus(MakeHardwareBus()); }
bool SimulatedBoardInstalled() { return Board() != nullptr; }

void SetBaseAddress(uint16_t base) {
  if (auto* b = Board()) b->SetBaseAddress(base);
}
void SetIdentificationBytes(uint8_t id1, uint8_t id2, uint8_t id3) {
  if (auto* b = Board()) b->SetIdentificationBytes(id1, id2, id3);
}
void SetSignal(int channel, const Signal& signal) {
  if (auto* b = Board()) b->SetSignal(channel, signal);
}
void SetInstantCaptures(bool instant) {
  if (auto* b = Board()) b->SetInstantCaptures(instant);
}
void SetDriverRequestResult(int32_t result) {
  if (auto* b = Board()) b->SetDriverRequestResult(result);
}
int32_t DriverReleaseCount() {
  auto* b = Board();
  return b ? b->DriverReleaseCount() : 0;
}
void SetDataReadyAfterReads(int32_t reads) {
  if (auto* b = Board()) b->SetDataReadyAfterReads(reads);
}
void LoadCapture(const std::vector<uint8_t>& channel1, const std::vector<uint8_t>& channel2) {
  if (auto* b = Board()) b->LoadCapture(channel1, channel2);
}
void EnablePortLog(bool enable) {
  if (auto* b = Board()) b->EnableLog(enable);
}
std::vector<PortAccess> PortLog() {
  auto* b = Board();
  return b ? b->Log() : std::vector<PortAccess>{};
}
void ClearPortLog() {
  if (auto* b = Board()) b->ClearLog();
}
Registers LatchedRegisters() {
  auto* b = Board();
  return b ? b->Latched() : Registers{};
}

void UseManualCounter(int64_t frequency) { UseManualStopwatchCounter(frequency); }
void SetManualCounter(int64_t count) { SetManualStopwatchCounter(count); }
void UseSystemCounter() { UseSystemStopwatchCounter(); }

}  // namespace orva::board::sim
