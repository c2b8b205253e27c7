#include "test_support.h"

#include <cstring>
#include <fstream>
#include <random>

namespace board_test {

void SimBoardTest::Install(sim::Model model) {
  sim::InstallSimulatedBoard(model);
  sim::SetInstantCaptures(true);
  ASSERT_NE(kt2_configuracio(ORVABOARD_DEFAULT_BASE, nullptr), 0);
  no_calibrar_ganancia(1);
  aplica_calibracion_especial(0);
  canvia_offset(128, 128);
  sim::EnablePortLog(true);
  sim::ClearPortLog();
}

std::vector<sim::PortAccess> SimBoardTest::Writes() {
  std::vector<sim::PortAccess> out;
  for (const auto& a : sim::PortLog()) {
    if (a.kind == sim::PortAccess::Kind::kWrite8 || a.kind == sim::PortAccess::Kind::kWrite16) {
      out.push_back(a);
    }
  }
  return out;
}

int SimBoardTest::Count(sim::PortAccess::Kind kind, uint16_t port) {
  int n = 0;
  for (const auto& a : sim::PortLog()) n += (a.kind == kind && a.port == port) ? 1 : 0;
  return n;
}

TempDir::TempDir() {
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() /
          ("orvaboard-test-" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

namespace {

void PutFloat(std::vector<uint8_t>& out, float f) {
  uint32_t bits = 0;
  std::memcpy(&bits, &f, sizeof bits);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

void PutHeader(std::vector<uint8_t>& out, float version) {
  PutFloat(out, version);
  out.resize(32, 0xAB);  // the uninterpreted fields: any bytes will do
}

}  // namespace

std::vector<uint8_t> Format1::Bytes(float version) const {
  std::vector<uint8_t> out;
  PutHeader(out, version);
  for (int c = 0; c < 2; ++c) {
    for (int j = 0; j < 2; ++j)
      for (int g = 0; g < 8; ++g) out.push_back(ob1[c][j][g]);
    for (int j = 0; j < 2; ++j)
      for (int g = 0; g < 8; ++g)
        for (int v = 0; v < 256; ++v) {
          const auto u = static_cast<uint16_t>(lin[c][j][g][v]);
          out.push_back(static_cast<uint8_t>(u & 0xFF));
          out.push_back(static_cast<uint8_t>(u >> 8));
        }
    for (int j = 0; j < 2; ++j)
      for (int g = 0; g < 8; ++g) PutFloat(out, fo1[c][j][g]);
  }
  PutFloat(out, k[0]);
  PutFloat(out, k[1]);
  return out;
}

Format2::Format2() {
  for (int c = 0; c < 2; ++c)
    for (int g = 0; g < 11; ++g) {
      gf2[c][g] = 1.0f;
      ob2[c][g][0] = ob2[c][g][1] = 128;
    }
}

std::vector<uint8_t> Format2::Bytes() const {
  std::vector<uint8_t> out;
  PutHeader(out, 2.0f);
  for (int j = 0; j < 2; ++j)
    for (int g = 0; g < 11; ++g)
      for (int c = 0; c < 2; ++c) out.push_back(ob2[c][g][j]);
  for (int m = 0; m < 17; ++m)
    for (int j = 0; j < 2; ++j)
      for (int g = 0; g < 11; ++g)
        for (int c = 0; c < 2; ++c) PutFloat(out, fo2[c][g][m][j]);
  for (int g = 0; g < 11; ++g)
    for (int c = 0; c < 2; ++c) PutFloat(out, gf2[c][g]);
  return out;
}

void WriteFile(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream f(file, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(f.good());
}

Capture Read(int32_t count_a, int16_t count_b, int16_t skip, int16_t trigger_channel,
             int16_t gain1, int16_t gain2, int16_t coupling1, int16_t coupling2) {
  Capture c;
  const auto m = static_cast<std::size_t>(count_a + count_b);
  c.ch1.assign(m, 0xEE);
  c.ch2.assign(m, 0xEE);
  c.seam = lee_la_memoria(count_a, count_b, skip, c.ch1.data(), c.ch2.data(), trigger_channel, 0,
                          0, gain1, gain2, &c.clipped1, &c.clipped2, coupling1, coupling2);
  return c;
}

}  // namespace board_test
