// The exchange between two stations, each on its own instrument, joined by a
// wire that hands every sent message to the other side (no sockets: the link
// has tests of its own). The window is a stand-in that records what the
// exchange pressed.
#include "orva/remote/intercambio.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orva/scope/osciloscopio.h"

namespace {

using orva::link::Message;
using orva::remote::EstadoRemoto;
using orva::remote::IntercambioRemoto;
using orva::remote::RegistroRemoto;

class Station : public orva::remote::VentanaDelEnlace {
 public:
  explicit Station(std::int16_t usuario) : exchange(*this) {
    exchange.Usuario(usuario);
    estado.inicia_enlace_remoto();
    control.ModoDemo(true);
    control.ModoRemoto(usuario == 0);
    control.GananciaCanal1(3);
    control.GananciaCanal2(3);
    control.BaseDeTiemposActual(4);
    control.CanalDisparo(1);
    control.ModoDisparo(2);
    control.AcoplamientoCanal1(1);
    control.AcoplamientoCanal2(1);
    control.Nivel(128);
  }

  orva::scope::Osciloscopio& Control() override { return control; }
  EstadoRemoto& Estado() override { return estado; }
  void PermiteEventos() override { ++events_run; }
  void AvanzaContadorDePasadas() override { contador = (contador + 1) % 10; }
  void SSCommand1_Click() override {
    presses.push_back("SSCommand1");
    // What the window's single-shot button does to the link's flags.
    estado.DisparoUnicoRemoto = true;
    estado.CambioDelUsuario();
  }
  void VScroll3(std::int16_t nivel) override { presses.push_back("VScroll3=" + std::to_string(nivel)); }
  void PulsaAcoplamiento(int canal, std::int16_t codigo) override {
    const char* name = codigo == 1 ? "CouplingDC" : codigo == 2 ? "CouplingAC" : "CouplingGND";
    presses.push_back(std::string(name) + "(" + std::to_string(canal) + ")");
    // The buttons' handlers set the instrument, and report unless applying.
    (canal == 1 ? control.AcoplamientoCanal1(codigo) : control.AcoplamientoCanal2(codigo));
    estado.CambioDelUsuario();
  }
  void Slope(int elemento) override { presses.push_back("Slope(" + std::to_string(elemento) + ")"); }
  void TrigChanDisplay(std::int16_t canal) override { trig_chan_display = canal; }
  void Dis_ext(std::int16_t valor) override { dis_ext = valor; }
  void ModoAutomatico_Click() override { presses.push_back("ModoAutomatico"); }
  void MuestraAjustes() override { ++displays_refreshed; }
  Message& Salida() override { return salida; }
  bool Enviar() override { return Send(1, 0); }
  bool EnviarS(std::int16_t kind) override { return Send(0, kind); }

  bool Send(std::int16_t kind, std::int16_t value) {
    Message m = salida;
    m.kind = kind;
    m.value = value;
    sent.push_back(m);
    return true;
  }
  bool Pressed(const std::string& what) const {
    for (const auto& p : presses)
      if (p == what) return true;
    return false;
  }

  orva::scope::Osciloscopio control;
  EstadoRemoto estado;
  Message salida;
  IntercambioRemoto exchange;
  std::vector<Message> sent;
  std::vector<std::string> presses;
  int events_run = 0, contador = 0, displays_refreshed = 0;
  std::int16_t trig_chan_display = 0, dis_ext = -5;
};

struct Pair {
  Station board{1};
  Station remote{0};
  // Hands the last message of one side to the other, for a number of
  // half-exchanges; returns false if a side did not answer.
  bool Run(int halves) {
    for (int i = 0; i < halves; ++i) {
      Station& from = (remote.sent.size() > board.sent.size()) ? remote : board;
      Station& to = &from == &remote ? board : remote;
      if (from.sent.empty()) return false;
      const std::size_t before = to.sent.size();
      to.exchange.MensajeRecibido(from.sent.back());
      if (to.sent.size() != before + 1) return false;
    }
    return true;
  }
  bool Start() { return remote.exchange.Inicia(); }
};

TEST(RemoteExchange, RemoteStationTakesTheBoardStationsSettingsAndSamplesAtStart) {
  Pair p;
  p.board.control.GananciaCanal1(7);
  p.board.control.BaseDeTiemposActual(12);
  p.board.control.AcoplamientoCanal2(2);
  std::vector<std::uint8_t> raw(8193, 40);
  p.board.control.V1Remoto(raw);
  ASSERT_TRUE(p.Start());
  const Message& first = p.remote.sent.back();
  EXPECT_EQ(first.kind, 1);
  EXPECT_EQ(first.d(1).type, orva::link::kSlotEmpty);
  EXPECT_EQ(first.d(5).number, 3);
  // The first settings message says nothing changed: the board station
  // keeps its settings and answers with them and its samples.
  ASSERT_TRUE(p.Run(2));
  const Message& samples = p.board.sent.back();
  EXPECT_EQ(samples.kind, 0);
  EXPECT_EQ(samples.value, 1);
  EXPECT_EQ(samples.d(1).samples[100], 40);
  EXPECT_EQ(p.board.control.GananciaCanal1(), 7);
  EXPECT_EQ(p.remote.control.GananciaCanal1(), 7);
  EXPECT_EQ(p.remote.control.BaseDeTiemposActual(), 12);
  EXPECT_TRUE(p.remote.Pressed("CouplingAC(2)"));
  EXPECT_EQ(p.remote.control.V1Remoto()[100], 40);
  EXPECT_EQ(p.remote.contador, 1);
  EXPECT_FALSE(p.remote.estado.CambioLocal);  // applying reported nothing
  EXPECT_TRUE(p.remote.estado.NoAplicandoRemoto);
  EXPECT_FALSE(p.remote.estado.NivelRemoto);
  EXPECT_GT(p.remote.events_run, 0);
  EXPECT_GT(p.remote.displays_refreshed, 0);
}

TEST(RemoteExchange, ChangesTravelOnceAndTheBoardStationsOwnChangeWins) {
  Pair p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.Run(2));
  // A change on the remote station goes out with d16 true and is applied.
  p.remote.control.GananciaCanal2(9);
  p.remote.estado.CambioDelUsuario();
  ASSERT_TRUE(p.Run(2));  // the board station answers; the remote station's reply has it
  EXPECT_EQ(p.remote.sent.back().d(16).number, -1);
  EXPECT_EQ(p.remote.sent.back().d(6).number, 9);
  ASSERT_TRUE(p.Run(1));
  EXPECT_EQ(p.board.control.GananciaCanal2(), 9);
  EXPECT_FALSE(p.board.estado.CambioLocal);

  // Both change at once: the board station's own change wins on both sides.
  p.remote.control.Nivel(20);
  p.remote.estado.CambioDelUsuario();
  p.board.control.Nivel(200);
  p.board.estado.CambioDelUsuario();
  ASSERT_TRUE(p.Run(4));
  EXPECT_EQ(p.board.control.Nivel(), 200);
  EXPECT_EQ(p.remote.control.Nivel(), 200);
  EXPECT_TRUE(p.remote.Pressed("VScroll3=200"));

  // With automatic gain on, the board station keeps its settings.
  p.board.control.GainAuto1(true);
  const std::int16_t board_gain = p.board.control.GananciaCanal1();
  p.remote.control.GananciaCanal1(1);
  p.remote.estado.CambioDelUsuario();
  ASSERT_TRUE(p.Run(2));
  EXPECT_EQ(p.board.control.GananciaCanal1(), board_gain);
}

TEST(RemoteExchange, AnAutomaticSetUpOnTheRemoteStationRunsOnTheBoardStation) {
  Pair p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.Run(2));
  // What the window's automatic set-up leaves behind on the remote station:
  // the change raised and slot 15 at 1. The board station applies the record
  // and runs its own set-up; the flag then goes back to 0.
  p.remote.estado.CambioDelUsuario();
  p.remote.estado.AutomaticoRemoto = 1;
  ASSERT_TRUE(p.Run(1));  // the board station answers the earlier reply
  EXPECT_EQ(p.board.sent.back().d(15).number, 0);
  ASSERT_TRUE(p.Run(1));  // the next reply carries the set-up
  EXPECT_EQ(p.remote.sent.back().d(15).number, 1);
  EXPECT_EQ(p.remote.sent.back().d(16).number, -1);
  EXPECT_EQ(p.remote.estado.AutomaticoRemoto, 0);
  ASSERT_TRUE(p.Run(1));
  EXPECT_TRUE(p.board.Pressed("ModoAutomatico"));
  EXPECT_EQ(p.board.estado.AutomaticoRemoto, 0);
  EXPECT_FALSE(p.remote.Pressed("ModoAutomatico"));
}

TEST(RemoteExchange, ASingleShotIsPressedOnceOnThePeer) {
  Pair p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.Run(2));
  p.remote.SSCommand1_Click();
  ASSERT_TRUE(p.Run(12));
  int on_board = 0, on_remote = 0;
  for (const auto& s : p.board.presses) on_board += s == "SSCommand1";
  for (const auto& s : p.remote.presses) on_remote += s == "SSCommand1";
  EXPECT_EQ(on_board, 1);
  EXPECT_EQ(on_remote, 1);  // the user's own press only
  EXPECT_FALSE(p.board.estado.DisparoUnicoRemoto);
}

TEST(RemoteExchange, SettingsOutsideTheirTablesAreClampedBeforeUse) {
  Pair p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.Run(2));
  Message m = p.board.sent.back();  // a sample message, then spoiled
  const std::int16_t wild[12] = {7, -1, 99, -5, -3, 9, 3, 5, -2, 4, 1000, -300};
  for (int i = 0; i < 12; ++i) m.SetNumber(3 + i, wild[i]);
  m.SetNumber(17, 0);
  p.remote.exchange.MensajeRecibido(m);
  const RegistroRemoto& r = p.remote.estado.Registro;
  EXPECT_EQ(r.AcoplamientoCanal1, 0);
  EXPECT_EQ(r.AcoplamientoCanal2, 0);
  EXPECT_EQ(p.remote.control.GananciaCanal1(), 10);
  EXPECT_EQ(p.remote.control.GananciaCanal2(), 0);
  EXPECT_EQ(p.remote.control.BaseDeTiemposActual(), 2);
  EXPECT_EQ(p.remote.control.CanalDisparo(), 2);
  EXPECT_EQ(p.remote.control.ModoDisparo(), 2);
  EXPECT_EQ(p.remote.control.Flanco(), 1);
  EXPECT_EQ(p.remote.control.DisparoExterno(), 1);
  EXPECT_EQ(p.remote.control.Nivel(), 255);
  EXPECT_EQ(p.remote.control.MovimientoPretrigger(), -10.0);
  EXPECT_TRUE(p.remote.Pressed("CouplingGND(1)"));
  EXPECT_EQ(p.remote.trig_chan_display, 2);
  EXPECT_EQ(p.remote.dis_ext, 1);
  // The reply carries what was applied.
  EXPECT_EQ(p.remote.sent.back().d(5).number, 10);
  EXPECT_EQ(p.remote.sent.back().d(13).number, 255);
}

TEST(RemoteExchange, MessagesWithoutWhatTheyNeedOrOfTheWrongKindAreRefusedWhole) {
  Pair p;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.Run(2));
  const Message good_samples = p.board.sent.back();
  const Message good_settings = p.remote.sent.back();
  Message no_arrays = good_samples;
  no_arrays.SetEmpty(2);
  Message hole = good_settings;
  hole.SetEmpty(9);
  struct Case {
    Station* at;
    Message m;
    const char* why;
  };
  for (const Case& c : {Case{&p.remote, no_arrays, "two sample arrays"}, Case{&p.board, hole, "d9"},
                        Case{&p.board, good_samples, "sample message sent to the board"},
                        Case{&p.remote, good_settings, "settings message sent to the remote"}}) {
    const std::size_t sent = c.at->sent.size();
    const std::size_t presses = c.at->presses.size();
    c.at->exchange.MensajeRecibido(c.m);
    EXPECT_EQ(c.at->sent.size(), sent) << c.why;
    EXPECT_EQ(c.at->presses.size(), presses) << c.why;
    EXPECT_NE(c.at->exchange.UltimoRechazo().find(c.why), std::string::npos) << c.at->exchange.UltimoRechazo();
  }
  EXPECT_EQ(p.remote.exchange.Rechazados() + p.board.exchange.Rechazados(), 4);
}

}  // namespace
