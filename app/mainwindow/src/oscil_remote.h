// The window's remote link: the link component, the exchange, and the window
// as the exchange presses it (private to the window's sources).
#pragma once

#include <QTimer>

#include <cstdint>

#include "orva/link/remote_link.h"
#include "orva/mainwindow/oscil.h"
#include "orva/remote/intercambio.h"

namespace orva::mainwindow {

class Oscil::EnlaceRemoto final : public remote::VentanaDelEnlace {
 public:
  explicit EnlaceRemoto(Oscil& w);
  ~EnlaceRemoto() override;

  link::RemoteLink& Enlace() { return enlace_; }
  remote::IntercambioRemoto& Intercambio() { return intercambio_; }
  // Exchanges per second over the last half second or so (0 when none).
  double IntercambiosPorSegundo() const { return ritmo_; }

  scope::Osciloscopio& Control() override;
  remote::EstadoRemoto& Estado() override;
  void PermiteEventos() override;
  void AvanzaContadorDePasadas() override;
  void SSCommand1_Click() override;
  void VScroll3(std::int16_t nivel) override;
  void PulsaAcoplamiento(int canal, std::int16_t codigo) override;
  void Slope(int elemento) override;
  void TrigChanDisplay(std::int16_t canal) override;
  void Dis_ext(std::int16_t valor) override;
  void ModoAutomatico_Click() override;
  void MuestraAjustes() override;
  link::Message& Salida() override;
  bool Enviar() override;
  bool EnviarS(std::int16_t kind) override;

 private:
  void Mide();  // the rate and the status line, twice a second while connected

  Oscil& w_;
  link::RemoteLink enlace_;
  remote::IntercambioRemoto intercambio_;
  QTimer reloj_;
  long long contados_ = 0;  // exchanges at the last Mide
  double instante_ = 0;     // steady-clock seconds of the last Mide
  double ritmo_ = 0;
  // What the panel's displays last showed after a record was applied, so an
  // unchanged record costs no redrawing of the panel.
  remote::RegistroRemoto mostrado_{};
  bool mostrado_valido_ = false;
};

}  // namespace orva::mainwindow
