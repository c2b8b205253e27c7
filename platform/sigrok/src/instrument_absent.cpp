// Instrument without libsigrok (ORVA_WITH_SIGROK off): nothing opens, and
// every attempt says that this build cannot reach libsigrok instruments.
#include "orva/sigrok/instrument.h"

namespace orva::sigrok {
namespace {
constexpr const char* kAbsent = "this OrvaScope was built without libsigrok: its instruments are not available";
}

struct Instrument::Impl {};

bool Available() { return false; }
double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
std::string LastLogLine() { return {}; }
std::vector<DeviceEntry> ListDevices(std::chrono::milliseconds, bool* cut_short) {
  if (cut_short) *cut_short = false;
  return {};
}

Instrument::Instrument() = default;
Instrument::~Instrument() = default;
bool Instrument::Open(const SigrokSpec&, std::string* error) {
  if (error) *error = kAbsent;
  return false;
}
bool Instrument::IsOpen() const { return false; }
std::string Instrument::Description() const { return {}; }
int Instrument::Channels() const { return 0; }
bool Instrument::Configure(const CaptureSettings&, Applied*, std::string* error) {
  if (error) *error = kAbsent;
  return false;
}
bool Instrument::Start(std::string* error) {
  if (error) *error = kAbsent;
  return false;
}
SampleRates Instrument::Rates() const { return {}; }
Abilities Instrument::Can() const { return {}; }
void Instrument::SetSink(FrameSink*) {}
void Instrument::Stop() {}
bool Instrument::Running() const { return false; }
void Instrument::Close() {}
bool Instrument::TakeCapture(float*, float*, std::size_t, CaptureInfo*) { return false; }
Fault Instrument::LastFault(std::string* text) const {
  if (text) *text = kAbsent;
  return Fault::kNotAvailable;
}
std::uint64_t Instrument::CapturesDone() const { return 0; }

}  // namespace orva::sigrok
