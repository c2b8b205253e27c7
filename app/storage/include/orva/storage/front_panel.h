// The main window's front-panel controls a configuration load updates, and
// the two it reads on saving. The window implements it by pressing its own
// buttons and boxes (so that their handlers run); tests record the calls.
// Indexes are the controls' own: channels 1 and 2, elements from 0.
#pragma once

#include <cstdint>
#include <string>

namespace orva::storage {

class FrontPanel {
 public:
  virtual ~FrontPanel() = default;
  // State of the pointer-readout check box ContCursor(canal).
  virtual bool ContCursor(int canal) const = 0;

  // Presses CouplingGND (codigo 0), CouplingDC (1) or CouplingAC (2) of the channel.
  virtual void PressCoupling(int canal, std::int16_t codigo) = 0;
  // ChanSelected(canal) and ContCursor(canal) set to the value.
  virtual void SetChanSelected(int canal, bool valor) = 0;
  virtual void SetContCursor(int canal, bool valor) = 0;
  // Presses Slope element 0 (rising) or 1 (falling).
  virtual void PressSlope(int elemento) = 0;
  // Caption of TrigChanDisplay(1).
  virtual void SetTrigChanDisplay(const std::string& caption) = 0;
  // Presses averaging button promediado(elemento): factor 2^elemento.
  virtual void PressPromediado(int elemento) = 0;
  // Check box XYCommand: 1 ticked, 0 cleared.
  virtual void SetXYCommand(int valor) = 0;
};

}  // namespace orva::storage
