// The library as a client program sees it: every export bound by name, and
// the state of a process in which no board was ever identified.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "orvaboard.h"
#include "orvaboard_sim.h"

namespace {

TEST(BoardExports, EveryExportBindsByName) {
  void* lib = dlopen(ORVABOARD_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  const char* const names[] = {
      "DLL_IN", "DLL_IN16", "DLL_OUT", "DLL_OUT16", "DLLINP8", "DLLINP16", "DLLOUT8",
      "DLLOUT16", "CompruebaDriverX", "InicializaTemporizador", "TiempoTranscurrido",
      "kt2_configuracio", "kt2_programa_placa", "kt2_oscil_new", "comprueba_fin_de_captura",
      "kt2_lectura_memo", "lee_la_memoria", "lee_vector", "KTR5_Init", "KTR5_Program",
      "KTR5_EndOfcapture", "KTR5_ReadMemory", "KTR4_Init", "KTR4_Program", "KTR4_EndOfcapture",
      "KTR4_ReadMemory", "LW32Config", "LW32Program", "LW32EndOfCapture", "LW32lee_la_memoria",
      "kt2_calibra", "canvia_offset", "aplica_calibracion_especial", "no_calibrar_ganancia",
      "CorrigeGanancia", "canvia_gain", "diezma", "diezma_sin_aliasing", "interpolar",
      "reescala_la_senal", "reescala_la_senal2", "fft_init", "fft_inicializar",
      "fft_calcular", "fft_bit_reverse", "fft_modulo", "fft_filtro_interpolador", "Arcsin",
      "Arccos", "dibuja_un_vector_xy", "dibuja_un_vector_xy2", "comprueba_fm_para_xy",
  };
  for (const char* name : names) EXPECT_NE(dlsym(lib, name), nullptr) << name;
  // Internal helpers stay hidden.
  EXPECT_EQ(dlsym(lib, "port_read8"), nullptr);

  // A bound export behaves as the header says.
  using Out = int16_t (*)(int32_t, int32_t);
  auto out = reinterpret_cast<Out>(dlsym(lib, "DLL_OUT"));
  ASSERT_NE(out, nullptr);
  orva::board::sim::InstallEmptyBus();
  EXPECT_EQ(out(0x391, 300), 0);
  EXPECT_EQ(out(0x391, 255), -1);
  dlclose(lib);
}

// Before any board is recognised (type 0) programming still works; the gain
// byte then carries the coupling bits, like the newer models'. Nothing in this
// test binary identifies a board, so the process is still at type 0.
TEST(BoardExports, UnidentifiedBoardProgramsTheNewerGainLayout) {
  namespace sim = orva::board::sim;
  sim::InstallSimulatedBoard(sim::Model::kKtr1);
  aplica_calibracion_especial(1);
  EXPECT_EQ(kt2_programa_placa(1, 1, 1, 1e6f, 0, 0, 0, 6, 4, 2, 1, 0, 0), 1);
  EXPECT_EQ(sim::LatchedRegisters().gain_coupling, (0 + 12) + 16 * (1 + 2));
  // The rate table is empty until configuration: any positive rate runs at
  // the fastest divider.
  EXPECT_EQ(sim::LatchedRegisters().divider, 0);
  aplica_calibracion_especial(0);
}

}  // namespace
