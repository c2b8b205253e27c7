// The state the remote link shares with the front panel of the window: the
// settings record that travels between the two stations, the flag that says
// the user changed something here, and the guard flags that keep the panel's
// own handlers quiet while a received record is being applied.
//
// One object holds all of it (the window owns one; tests make fresh ones).
// Everything is touched on the user-interface thread only. On the wire the
// fields are 16-bit integers and the flags 16-bit booleans (true = -1): see
// Bandera16().
//
// Qt-free.
#pragma once

#include <cstdint>

namespace orva::scope {
class Osciloscopio;
}

namespace orva::remote {

// The settings record, in message slot order (slots 3..14), then the two
// automatic gains (captured, not sent). Each an int16 copy of the
// instrument's property of the same name.
struct RegistroRemoto {
  std::int16_t AcoplamientoCanal1 = 0;    // slot 3
  std::int16_t AcoplamientoCanal2 = 0;    // slot 4
  std::int16_t GananciaCanal1 = 0;        // slot 5
  std::int16_t GananciaCanal2 = 0;        // slot 6
  std::int16_t BaseDeTiemposActual = 0;   // slot 7
  std::int16_t CanalDisparo = 0;          // slot 8
  std::int16_t ModoDisparo = 0;           // slot 9
  std::int16_t Flanco = 0;                // slot 10
  std::int16_t DisparoExterno = 0;        // slot 11
  std::int16_t MetodoInterpolacion = 0;   // slot 12
  std::int16_t Nivel = 0;                 // slot 13
  std::int16_t MovimientoPretrigger = 0;  // slot 14, whole divisions
  std::int16_t GainAuto1 = 0;             // flag, not sent
  std::int16_t GainAuto2 = 0;             // flag, not sent

  bool operator==(const RegistroRemoto&) const = default;
};

// First and last message slot of the record's sent fields.
inline constexpr int kPrimeraRanura = 3;
inline constexpr int kUltimaRanura = 14;

// 16-bit boolean of the link: true = -1 (all bits set), false = 0.
constexpr std::int16_t Bandera16(bool v) { return v ? std::int16_t{-1} : std::int16_t{0}; }

class EstadoRemoto {
 public:
  RegistroRemoto Registro;
  // The user changed a setting on this station since the last exchange.
  bool CambioLocal = false;
  // True except while a received record is applied; false until
  // inicia_enlace_remoto (the window calls it once at start-up).
  bool NoAplicandoRemoto = false;
  // The next change of the trigger-level bar comes from applying a received
  // record (its handler clears the flag and does nothing else).
  bool NivelRemoto = false;
  // The single-shot button was pressed (slot 17).
  bool DisparoUnicoRemoto = false;
  // The automatic set-up ran here (1); reset to 0 after each exchange (slot 15).
  std::int16_t AutomaticoRemoto = 0;

  // NoAplicandoRemoto := true.
  void inicia_enlace_remoto() { NoAplicandoRemoto = true; }

  // Copies the 14 properties from the instrument into Registro; true.
  // MetodoInterpolacion (a value of any type) and MovimientoPretrigger (a
  // number of divisions, possibly fractional) are rounded half to even and
  // kept to the int16 range; a value that is not a finite number gives 0.
  bool captura_registro_remoto(const scope::Osciloscopio& control);

  // What every front-panel handler that reports a change ends with: the
  // change is raised unless a received record is being applied.
  void CambioDelUsuario() {
    if (NoAplicandoRemoto) CambioLocal = true;
  }
};

}  // namespace orva::remote
