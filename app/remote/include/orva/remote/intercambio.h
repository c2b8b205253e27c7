// The exchange between a board station and a remote station: what each
// station does with a message that arrives, what it answers, and how a
// received settings record is applied to the instrument and the front panel
// (aplica_registro_remoto). Qt-free: the window and the link are reached
// through VentanaDelEnlace, which the window implements by pressing its own
// buttons and calling the link.
//
// The exchange is a ping-pong: the remote station starts it with one settings
// message (Inicia, the "start exchange" button); the board station answers
// every settings message (kind > 0) with a sample message (kind 0); the
// remote station answers every sample message with a settings message.
//
// Received settings outside their tables are clamped, never refused: every
// field of a received record is kept to its legal range before anything is
// applied (LimitaRegistro): gains 0..10, timebase 2..20, trigger channel
// 1..2, trigger mode 0..2, interpolation 0..1, level 0..255, pre-trigger
// shift -10..10 divisions; a coupling other than 1 (DC) or 2 (AC) is 0 (GND),
// a slope or an external trigger other than 0 is 1; in slot 15 anything but 1
// is 0. So a gain of 99 applies as 10, a timebase of -3 as 2, a level of 1000
// as 255: no received number reaches a table index or the board, and the
// reply carries the values applied, so the two stations agree again.
//
// Refused whole (nothing applied, nothing answered, counted in Rechazados
// with the reason in UltimoRechazo): a message whose record slots d3..d14 are
// not all numbers, a sample message whose d1/d2 are not sample arrays, and a
// message of the kind the other role receives (a sample message at the board
// station, a settings message at the remote station). The frame decoder has
// already dropped anything that is not a well-formed message (frame.h).
//
// A single shot travels once: DisparoUnicoRemoto is cleared once it has gone
// out in a message, and a single shot pressed because a received record asked
// for it is not sent back (otherwise the two stations would press it on each
// other at every exchange, and every later change from the remote station
// would arm the board station again). The guard NivelRemoto is lowered at the
// end of applying a record, also when the level bar already showed the level
// (the bar then reports no change, and the guard would swallow the user's
// next level change).
#pragma once

#include <cstdint>
#include <string>

#include "orva/link/message.h"
#include "orva/remote/registro_remoto.h"

namespace orva::scope {
class Osciloscopio;
}

namespace orva::remote {

// The window and the link as the exchange sees them.
class VentanaDelEnlace {
 public:
  virtual ~VentanaDelEnlace() = default;
  virtual scope::Osciloscopio& Control() = 0;
  virtual EstadoRemoto& Estado() = 0;
  // Lets pending window events run (every message event starts with it).
  virtual void PermiteEventos() = 0;
  // ContadorDePasadas := (ContadorDePasadas + 1) mod 10.
  virtual void AvanzaContadorDePasadas() = 0;

  // The front panel, as a received record presses it.
  virtual void SSCommand1_Click() = 0;
  virtual void VScroll3(std::int16_t nivel) = 0;  // the level bar's value
  // Code 1 presses CouplingDC(canal), 2 CouplingAC(canal), any other
  // CouplingGND(canal); the button's own handler sets the instrument.
  virtual void PulsaAcoplamiento(int canal, std::int16_t codigo) = 0;
  virtual void Slope(int elemento) = 0;  // presses Slope element 0 or 1
  virtual void TrigChanDisplay(std::int16_t canal) = 0;
  virtual void Dis_ext(std::int16_t valor) = 0;
  virtual void ModoAutomatico_Click() = 0;
  // The panel's displays show the instrument's settings after a record was
  // applied (the setters' values, which the displays do not follow by
  // themselves).
  virtual void MuestraAjustes() = 0;

  // The link: the outgoing slots and the two sends.
  virtual link::Message& Salida() = 0;
  virtual bool Enviar() = 0;
  virtual bool EnviarS(std::int16_t kind) = 0;
};

// Message slots of the exchange beyond the record (d3..d14).
inline constexpr int kRanuraCanal1 = 1;
inline constexpr int kRanuraCanal2 = 2;
inline constexpr int kRanuraAutomatico = 15;
inline constexpr int kRanuraCambio = 16;
inline constexpr int kRanuraDisparoUnico = 17;
inline constexpr int kCamposDelRegistro = kUltimaRanura - kPrimeraRanura + 1;  // 12

// The record's fields in slot order 3..14, kept to their legal ranges (see
// above). The fields not sent (GainAuto1, GainAuto2) are kept from base.
RegistroRemoto LimitaRegistro(const std::int16_t (&ranuras)[kCamposDelRegistro],
                              RegistroRemoto base);

class IntercambioRemoto {
 public:
  explicit IntercambioRemoto(VentanaDelEnlace& ventana) : v_(ventana) {}

  // This station's role, as the link's Usuario: 1 board station, 0 remote.
  void Usuario(std::int16_t v) { usuario_ = v; }
  std::int16_t Usuario() const { return usuario_; }

  // "Start exchange" on the remote station: captures the settings, clears
  // CambioLocal and sends the first settings message (d1, d2 empty, d3..d14
  // the record; d15..d17 as they stand). False when the link did not send.
  bool Inicia();
  // The link's message event: kind 0 at the remote station, kind > 0 at the
  // board station.
  void MensajeRecibido(const link::Message& m);
  // Applies Estado().Registro to the instrument and the front panel.
  bool aplica_registro_remoto();

  // Messages answered (the exchanges this station took part in).
  long long Intercambios() const { return intercambios_; }
  long long Rechazados() const { return rechazados_; }
  const std::string& UltimoRechazo() const { return ultimo_rechazo_; }
  // Forgets the counters (a new connection).
  void Reinicia();

 private:
  void MensajeDeMuestras(const link::Message& m);  // kind 0, remote station
  void MensajeDeAjustes(const link::Message& m);   // kind > 0, board station
  void Rechaza(const char* por_que, int ranura = 0);
  // Copies d3..d14 (clamped) into the record.
  void CopiaRegistro(const link::Message& m);
  // d3..d14 from the record, type 2.
  void PonRegistro(link::Message& salida);

  VentanaDelEnlace& v_;
  std::int16_t usuario_ = 1;
  long long intercambios_ = 0;
  long long rechazados_ = 0;
  std::string ultimo_rechazo_;
};

}  // namespace orva::remote
