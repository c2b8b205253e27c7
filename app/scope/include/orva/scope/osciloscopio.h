// Osciloscopio: the instrument object. It holds every setting of the
// two-channel scope, the fixed tables that translate a setting into hardware
// and display quantities (tables.h), the raw and processed traces and the
// settings of the reference channel D, and it runs the acquisition cycle:
// program a capture, poll for its end (with time-out, re-arm and the Auto-mode
// fall-back to an untriggered capture), read the raw bytes from the board, the
// demonstration generator or the remote buffers, convert, resample through the
// embedded Sigdex1 control, find and check the trigger point and cut the
// 1024-point trigger-aligned traces.
//
// Property convention: a getter and a setter overload with the property's own
// name. Every setter of a persisted setting reports the change to the host
// under the setting's key ("Muestras", "Promediado" capitalised). Sample values
// are raw codes: 128 is the centre line, 32 codes one vertical division.
//
// Bounds and out-of-range values (what a caller or a stored record can pass):
// - Stored settings are loaded without clamping (a stored timebase 0 stays 0).
//   Every table read clamps its index to the table (see tables.h): a timebase
//   index outside 0..20 reads the nearest row (0 or 20), a gain index outside
//   0..10 the nearest gain (0 or 10); a coupling outside 0..2 has the empty text.
// - MovimientoPretrigger is used clamped to -10..+10 divisions (a non-finite
//   value counts as 0) when the capture geometry is computed, so the pre- and
//   post-trigger counts are never negative; the stored value is left as set.
// - Programacion sends nothing to the board, and returns
//   kProgramacionRechazada, when a value does not fit its board field: Nivel or
//   DisparoExterno outside 0..255, Flanco other than 0 or 1, a gain index
//   outside 0..10, a coupling outside 0..2, or a count outside its field
//   (pre-trigger and screen-plus-post counts must fit 0..32767, the capture
//   8193 bytes). ProgramacionRechazada() tells the reason. LecturaDeMemoria
//   then does not read the board either (the raw buffers keep their contents).
// - Raw buffers V1Remoto/V2Remoto always hold 8193 bytes (0..8192). A shorter
//   array assigned by the host is padded with 128 (the centre line), a longer
//   one is cut at 8193; a capture never reads more than the buffer holds.
// - LecturaDeMemoria before any Programacion has no capture to read and
//   leaves the traces as they are.
// - Timebase rows 0 and 1 have no decimation; the alignment then divides by 1
//   instead of by their ratio 0.
// - The shown points 0..767 of an aligned trace always come from the captured
//   record: the alignment offset stops where point 767 is the record's last
//   point (the separately rounded ends of the trigger window, or a pretrigger
//   shift on an untriggered capture, could otherwise start it later), and the
//   last points of a linear interpolation, which no sample pair reaches, hold
//   the last sample instead of reading 0.
// - Demonstration generator: its sines come from tables built once per board
//   rate; triggered (phase 0) the codes are those of the direct formula, with
//   a random phase they differ by rounding only (at most one code, at exact
//   half-code ties). Its random draws are the standard 32-bit Mersenne
//   twister sequence of the seed (random.h).
//
// - Averaging: VCanal1/VCanal2 reads are averaging steps (measurements.h);
//   the averaged traces start as 8193 zeros (points 0..8192) and become a
//   copy of the aligned trace, its length included, with promediado = 1.
// - Measurements (Medidas1/Medidas2) store their results in the fields
//   directly (no change report, as for any computed value); Vm1Byte/Vm2Byte
//   are clamped to 0..255 when the mid level (minus the offset on channel 1)
//   falls outside, the other results of the pass are stored as usual, and
//   Vm1ByteRecortado()/Vm2ByteRecortado() tell that it happened.
// - Automatic gain / timebase: after the two settle passes of Programacion,
//   each programming moves one step (measurements.h). The timebase search
//   never passes row 20.
// - Calibration compensation (calibration_tables.h): the four Compensacion...
//   properties read and write the tables at the channel's current coupling
//   and gain (a grounded channel reads its DC entry and writes its GND row).
//   With a gain or coupling outside the tables nothing is stored (no table
//   entry, no field, no change report) and a read returns the property's own
//   persisted field. Loading stored settings fills only those fields.
//   CargaElFicheroDeCalibracion, CargaCal2 and GuardaCal2 tell the outcome
//   (a missing "cal2.dat" is kFicheroAusente and changes nothing).
// - Clipboard copies need the host's clipboard service (SetPortapapeles);
//   without one they do nothing and return false.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "orva/hosting.h"
#include "orva/scope/board_calls.h"
#include "orva/scope/calibration_tables.h"
#include "orva/scope/clipboard.h"
#include "orva/scope/measurements.h"
#include "orva/scope/random.h"
#include "orva/scope/screen_picture.h"
#include "orva/scope/stream_source.h"
#include "orva/scope/tables.h"

namespace orva {
class Sigdex;
}

namespace orva::scope {

// Programacion's result when nothing was sent because a value does not fit
// its board field (the board library itself returns 1; 0 means demo/remote).
inline constexpr std::int16_t kProgramacionRechazada = -2;

enum class Rechazo {
  kNinguno = 0,
  kNivel,            // Nivel outside 0..255
  kDisparoExterno,   // DisparoExterno outside 0..255
  kGanancia,         // a gain index outside 0..10
  kAcoplamiento,     // a coupling code outside 0..2
  kFlanco,           // Flanco other than 0 or 1 (it would set other control bits)
  kCuentas,          // a count outside its 16-bit field
};

inline constexpr int kRawBufferSize = 8193;      // V1Remoto/V2Remoto: 0..8192
inline constexpr int kAlignedSize = 1024;        // A1/A2: 0..1023
inline constexpr int kScreenLeftEdge = 256;      // index of the screen's left edge in A
inline constexpr int kExtremesCount = 767;       // points 0..766 searched for extremes
inline constexpr int kShownPoints = 768;         // points 0..767 of A are drawn and measured
inline constexpr int kXYSize = 8000;             // VCanal1XY/VCanal2XY: 0..7999
inline constexpr int kWorkCapacity = 8192;       // working traces 0..8191

// Monotonic time in seconds; only differences are used.
using MonotonicClock = std::function<double()>;

class Osciloscopio : public hosting::HostedControl {
 public:
  // Uses the board library for the board calls and the monotonic clock.
  Osciloscopio();
  // Injected board calls and clock (tests; a host may pass its own too).
  Osciloscopio(std::unique_ptr<BoardCalls> board, MonotonicClock clock);
  ~Osciloscopio() override;
  Osciloscopio(const Osciloscopio&) = delete;
  Osciloscopio& operator=(const Osciloscopio&) = delete;

  // ---- Persistence: the 67 keys in their fixed order ----------------------
  // Loading assigns the fields directly (no clamping, no side effects); saving
  // omits every value equal to its default (0, or "0" for texts, or no picture).
  void ReadProperties(const hosting::PropertyBag& bag);
  void WriteProperties(hosting::PropertyBag& bag) const;
  static const std::vector<std::string_view>& PersistedKeys();
  // Decoder used by ReadProperties for the two pictures (may be null: the
  // pictures are then kept as EncodedPicture).
  void SetPictureDecoder(std::shared_ptr<const PictureDecoder> decoder);

  // ---- Timebase ------------------------------------------------------------
  std::int16_t BaseDeTiemposActual() const { return base_de_tiempos_actual_; }
  void BaseDeTiemposActual(std::int16_t v);  // clamps to 2..20
  std::string BaseDeTiemposActualTexto() const;  // text of the current row
  void BaseDeTiemposActualTexto(const std::string& v);  // exact-match lookup
  // Table views: read the current timebase row; assigning stores a separate
  // persisted value, the read still returns the row.
  double TiempoEstimado() const;
  void TiempoEstimado(double v);
  std::int32_t MuestrasExtraPre() const;
  void MuestrasExtraPre(std::int32_t v);
  std::int32_t MuestrasExtraPos() const;
  void MuestrasExtraPos(std::int32_t v);
  std::int32_t MuestrasPre() const;
  void MuestrasPre(std::int32_t v);
  std::int32_t MuestrasPos() const;
  void MuestrasPos(std::int32_t v);
  std::int32_t muestras() const;
  void muestras(std::int32_t v);
  double FMPlaca() const;
  void FMPlaca(double v);
  double FMEquivalente() const;
  void FMEquivalente(double v);
  double BaseTiemposDiv() const;
  void BaseTiemposDiv(double v);

  // ---- Vertical channels ---------------------------------------------------
  std::int16_t GananciaCanal1() const { return ganancia_[0]; }
  void GananciaCanal1(std::int16_t v) { SetGanancia(0, v); }
  std::int16_t GananciaCanal2() const { return ganancia_[1]; }
  void GananciaCanal2(std::int16_t v) { SetGanancia(1, v); }
  std::string GananciaCanal1Texto() const;
  void GananciaCanal1Texto(const std::string& v);  // design time only (382)
  std::string GananciaCanal2Texto() const;
  void GananciaCanal2Texto(const std::string& v);  // design time only (382)
  double GananciaCanal1VOLT() const;  // 4 x V/div: volts from centre to top
  double GananciaCanal2VOLT() const;
  double VDiv1() const;
  void VDiv1(double v);
  double VDiv2() const;
  void VDiv2(double v);
  std::int16_t AcoplamientoCanal1() const { return acoplamiento_[0]; }
  void AcoplamientoCanal1(std::int16_t v);
  std::int16_t AcoplamientoCanal2() const { return acoplamiento_[1]; }
  void AcoplamientoCanal2(std::int16_t v);
  std::string AcoplamientoCanal1Texto() const;
  void AcoplamientoCanal1Texto(const std::string& v);
  std::string AcoplamientoCanal2Texto() const;
  void AcoplamientoCanal2Texto(const std::string& v);
  bool Canal1Activo() const { return activo_[0]; }
  void Canal1Activo(bool v);
  bool Canal2Activo() const { return activo_[1]; }
  void Canal2Activo(bool v);
  bool Canal1Invertido() const { return invertido_[0]; }
  void Canal1Invertido(bool v);
  bool Canal2Invertido() const { return invertido_[1]; }
  void Canal2Invertido(bool v);
  std::int16_t DesplazamientoYCanal1() const { return desplazamiento_[0]; }
  void DesplazamientoYCanal1(std::int16_t v);
  std::int16_t DesplazamientoYCanal2() const { return desplazamiento_[1]; }
  void DesplazamientoYCanal2(std::int16_t v);

  // ---- Trigger -------------------------------------------------------------
  std::int16_t ModoDisparo() const { return modo_disparo_; }
  void ModoDisparo(std::int16_t v);
  std::string ModoDisparoTexto() const;
  void ModoDisparoTexto(const std::string& v);  // design time only (382)
  std::int16_t CanalDisparo() const { return canal_disparo_; }
  void CanalDisparo(std::int16_t v);
  std::int16_t DisparoExterno() const { return disparo_externo_; }
  void DisparoExterno(std::int16_t v);
  std::int16_t Nivel() const { return nivel_; }
  void Nivel(std::int16_t v);
  std::int16_t Flanco() const { return flanco_; }
  void Flanco(std::int16_t v);
  double MovimientoPretrigger() const { return movimiento_pretrigger_; }
  void MovimientoPretrigger(double v);
  // The shift in divisions as the capture uses it: kept to -10..+10, 0 when
  // the stored value is not finite.
  double MovimientoPretriggerUsado() const;
  bool FuerzaModoSoftware() const { return fuerza_modo_software_; }
  void FuerzaModoSoftware(bool v);

  // ---- Automatic settings, averaging, display --------------------------------
  bool GainAuto1() const { return gain_auto_[0]; }
  void GainAuto1(bool v) { SetGainAuto(0, v); }
  bool GainAuto2() const { return gain_auto_[1]; }
  void GainAuto2(bool v) { SetGainAuto(1, v); }
  bool TriggerAuto() const { return trigger_auto_; }
  void TriggerAuto(bool v);
  std::int16_t promediado() const { return promediado_; }
  void promediado(std::int16_t v);
  bool FinDeCaptura() const { return fin_de_captura_; }
  void FinDeCaptura(bool v);
  bool ModoXY() const { return modo_xy_; }
  void ModoXY(bool v);
  hosting::PropertyValue TagX() const { return tag_x_; }
  void TagX(const hosting::PropertyValue& v);
  // Forwarded to and read back from Sigdex1.
  hosting::PropertyValue MetodoInterpolacion() const;
  void MetodoInterpolacion(const hosting::PropertyValue& v);

  // ---- Board and calibration settings ----------------------------------------
  std::string path() const { return path_; }
  void path(const std::string& v);
  std::int16_t DireccionES() const { return direccion_es_; }
  void DireccionES(std::int16_t v);
  std::string PathCal() const { return path_cal_; }
  void PathCal(const std::string& v);
  std::string PathCal2() const { return path_cal2_; }
  void PathCal2(const std::string& v);
  // Calibration compensation at the channel's current coupling and gain.
  std::uint8_t CompensacionDeOffset1() const { return CompensacionDeOffset(0); }
  void CompensacionDeOffset1(std::uint8_t v) { SetCompensacionDeOffset(0, v); }
  std::uint8_t CompensacionDeOffset2() const { return CompensacionDeOffset(1); }
  void CompensacionDeOffset2(std::uint8_t v) { SetCompensacionDeOffset(1, v); }
  double CompensacionDeGanancia1() const { return CompensacionDeGanancia(0); }
  void CompensacionDeGanancia1(double v) { SetCompensacionDeGanancia(0, v); }
  double CompensacionDeGanancia2() const { return CompensacionDeGanancia(1); }
  void CompensacionDeGanancia2(double v) { SetCompensacionDeGanancia(1, v); }
  // Fills the DC and AC rows and the gain table from PathCal's "cal.dat".
  ResultadoCalibracion CargaElFicheroDeCalibracion();
  // Reads PathCal2's "cal2.dat" when it exists; otherwise nothing changes.
  ResultadoCalibracion CargaCal2();
  // Writes the 220 bytes of "cal2.dat" into PathCal2.
  ResultadoCalibracion GuardaCal2();
  const TablasDeCalibracion& Calibracion() const { return calibracion_; }

  // ---- Averaging, measurements, clipboard copies ----------------------------
  // One averaging step of the channel (every read is a step), then a copy of
  // the averaged trace.
  std::vector<float> VCanal1() { return PromediaCanal(0); }
  std::vector<float> VCanal2() { return PromediaCanal(1); }
  // The averaged traces without a step.
  std::vector<float> VCanal1MEM() const { return averaged_[0]; }
  std::vector<float> VCanal2MEM() const { return averaged_[1]; }
  // The same step without the copy (ch 0 or 1; other values step nothing and
  // give channel 1's trace).
  const std::vector<float>& PromediaCanal(int ch);
  // Measurements of the channel's averaged trace into Vpp, Vm, Vrms, F, t and
  // the byte mid level.
  void Medidas1() { MedidasCanal(0); }
  void Medidas2() { MedidasCanal(1); }
  bool Vm1ByteRecortado() const { return vm_byte_clamped_[0]; }
  bool Vm2ByteRecortado() const { return vm_byte_clamped_[1]; }
  // The host's clipboard (null: copies do nothing).
  void SetPortapapeles(std::shared_ptr<Portapapeles> clipboard) { clipboard_ = std::move(clipboard); }
  // Clears the clipboard and puts PantallaTiempo on it (an empty or missing
  // picture leaves it cleared); false without a clipboard.
  bool CopiarPantallaTAlPortapapeles();
  // Clears the clipboard and puts the channel's latest aligned samples on it
  // as volts text (readouts.h); false without a clipboard.
  bool CopiarCanal1AlPortapapeles() { return CopiarCanal(0); }
  bool CopiarCanal2AlPortapapeles() { return CopiarCanal(1); }

  // ---- Measurement results (computed by the measurements) --------------------
  std::uint8_t Vm1Byte() const { return vm_byte_[0]; }
  void Vm1Byte(std::uint8_t v);  // design time only (382)
  std::uint8_t Vm2Byte() const { return vm_byte_[1]; }
  void Vm2Byte(std::uint8_t v);  // design time only (382)
  double Vpp1() const { return vpp_[0]; }
  void Vpp1(double v);
  double Vm1() const { return vm_[0]; }
  void Vm1(double v);
  double F1() const { return f_[0]; }
  void F1(double v);
  double t1() const { return t_[0]; }
  void t1(double v);
  double Vrms1() const { return vrms_[0]; }
  void Vrms1(double v);
  double Vpp2() const { return vpp_[1]; }
  void Vpp2(double v);
  double Vm2() const { return vm_[1]; }
  void Vm2(double v);
  double F2() const { return f_[1]; }
  void F2(double v);
  double t2() const { return t_[1]; }
  void t2(double v);
  double Vrms2() const { return vrms_[1]; }
  void Vrms2(double v);

  // ---- Screen pictures (host-owned handles; null is "no picture") ----------
  PictureHandle PantallaTiempo() const { return pantalla_tiempo_; }
  void PantallaTiempo(PictureHandle v);
  PictureHandle PantallaFrecuencia() const { return pantalla_frecuencia_; }
  void PantallaFrecuencia(PictureHandle v);

  // ---- Sources --------------------------------------------------------------
  bool ModoDemo() const { return modo_demo_; }
  void ModoDemo(bool v) { modo_demo_ = v; }
  bool ModoRemoto() const { return modo_remoto_; }
  void ModoRemoto(bool v) { modo_remoto_ = v; }
  // Raw sample buffers, 8193 bytes each; an assigned array replaces the buffer
  // (padded with 128 or cut to 8193 bytes).
  std::vector<std::uint8_t> V1Remoto() const { return raw_[0]; }
  void V1Remoto(const std::vector<std::uint8_t>& v) { AssignRaw(0, v); }
  std::vector<std::uint8_t> V2Remoto() const { return raw_[1]; }
  void V2Remoto(const std::vector<std::uint8_t>& v) { AssignRaw(1, v); }
  // The raw buffer of channel 1 or 2 (any other number: channel 2) without a
  // copy, for a sender that reads it once per message.
  const std::vector<std::uint8_t>& RawBuffer(int channel) const { return raw_[channel == 1 ? 0 : 1]; }
  // Seed of the demonstration generator's uniform [0, 1) numbers.
  void SetRandomSeed(std::uint32_t seed) { random_.seed(seed); }

  // ---- Stream source -------------------------------------------------------
  // A source delivering volts at its own rate (stream_source.h). The stream
  // path is taken while one is set and neither ModoDemo nor ModoRemoto is on:
  // a capture is the latest record of the source (the screen before, the
  // screen, the screen after and a one-screen trigger window: 1024 points at
  // the timebase's display rate), converted to sample codes at the current
  // gain and offset, resampled, then searched for the trigger and aligned as
  // a board capture. Setting a source (or none) forgets the stream's capture
  // state; a timebase the source cannot fill moves to the fastest it can.
  void FuenteDeFlujo(std::shared_ptr<StreamSource> source);
  const std::shared_ptr<StreamSource>& FuenteDeFlujo() const { return stream_; }
  bool EnFlujo() const { return stream_ != nullptr && !modo_demo_ && !modo_remoto_; }
  // Whether the stream source in use can fill timebase k: at least
  // kMinStreamSamplesPerScreen of its samples per screen (always true off the
  // stream path). The first such timebase is the fastest one allowed.
  static constexpr double kMinStreamSamplesPerScreen = 64.0;
  bool BaseDeTiemposPosible(int k) const;
  std::int16_t PrimeraBaseDeFlujo() const;
  // True when the last BaseDeTiemposActual assignment was refused because the
  // stream source cannot fill that timebase (the setting kept its value).
  bool BaseRechazadaPorFlujo() const { return base_rechazada_; }
  // Seconds the host may wait before a poll can find a new stream capture:
  // the time the source needs to deliver the samples still missing, kept to
  // 0..0.05 s; 0 off the stream path or when a poll may succeed now.
  double EsperaDeFlujo() const;
  // The stream source failed (its message tells why).
  bool FalloDeFlujo() const { return stream_ != nullptr && stream_->Failed(); }

  // ---- Reference channel D --------------------------------------------------
  std::int16_t GananciaCanalD() const { return ganancia_d_; }
  void GananciaCanalD(std::int16_t v);
  std::string GananciaCanalDTexto() const { return ganancia_d_texto_; }
  void GananciaCanalDTexto(const std::string& v);
  std::int16_t AcoplamientoCanalD() const { return acoplamiento_d_; }
  void AcoplamientoCanalD(std::int16_t v);
  std::string AcoplamientoCanalDTexto() const;
  void AcoplamientoCanalDTexto(const std::string& v);
  bool CanalDActivo() const { return canal_d_activo_; }
  void CanalDActivo(bool v);
  std::int16_t BaseDeTiemposD() const { return base_de_tiempos_d_; }
  void BaseDeTiemposD(std::int16_t v);  // stored without clamping
  std::string BaseDeTiemposDTexto() const;
  void BaseDeTiemposDTexto(const std::string& v);
  std::int16_t DesplazamientoYCanalD() const { return desplazamiento_d_; }
  void DesplazamientoYCanalD(std::int16_t v);
  std::vector<float> VDisk() const { return vdisk_; }
  void VDisk(const std::vector<float>& v) { vdisk_ = v; }

  // ---- Acquisition cycle -----------------------------------------------------
  std::int16_t Configuracion();
  std::int16_t Programacion();
  bool ComprobacionFinDeCaptura();
  void LecturaDeMemoria();

  // Why the last Programacion sent nothing (kNinguno when it was not refused).
  Rechazo ProgramacionRechazada() const { return rechazo_; }

  // Capture geometry of the last programming, in board samples.
  std::int32_t CuentaPre() const { return cuenta_pre_; }
  std::int32_t CuentaPantalla() const { return cuenta_pantalla_; }
  std::int32_t CuentaPos() const { return cuenta_pos_; }
  std::int16_t BaseDeTiemposProgramada() const { return base_programada_; }

  // The trigger-aligned traces of the last read (index 256 is the left edge of
  // the screen), what the averaging takes in; and the XY traces.
  const std::vector<float>& TrazaAlineada1() const { return aligned_[0]; }
  const std::vector<float>& TrazaAlineada2() const { return aligned_[1]; }
  std::vector<float> VCanal1XY() const { return xy_[0]; }
  std::vector<float> VCanal2XY() const { return xy_[1]; }
  // Extremes of the aligned traces over points 0..766 (active channels).
  double Maximo1() const { return maximo_[0]; }
  double Minimo1() const { return minimo_[0]; }
  double Maximo2() const { return maximo_[1]; }
  double Minimo2() const { return minimo_[1]; }
  // Trigger search result of the last read: whether a crossing was found and
  // its index in the resampled working trace.
  bool DisparoEncontrado() const { return triggered_; }
  std::int32_t IndiceDisparo() const { return trigger_index_; }
  // Hold record: whether a trace was accepted yet, and the rejected-slope count.
  bool RetencionValida() const { return hold_valid_; }
  std::int16_t FallosDeFlanco() const { return hold_misses_; }

  // Embedded signal-processing control used for resampling.
  Sigdex& Sigdex1() { return *sigdex1_; }

 private:
  void SetGanancia(int ch, std::int16_t v);
  void SetGainAuto(int ch, bool v);
  void SetAcoplamiento(int ch, std::int16_t v);
  void SetAcoplamientoTexto(int ch, const std::string& v);
  void AssignRaw(int ch, const std::vector<std::uint8_t>& v);
  void Changed(std::string_view key) const { PropertyChanged(key); }

  std::uint8_t CompensacionDeOffset(int ch) const;
  void SetCompensacionDeOffset(int ch, std::uint8_t v);
  double CompensacionDeGanancia(int ch) const;
  void SetCompensacionDeGanancia(int ch, double v);
  void MedidasCanal(int ch);
  bool CopiarCanal(int ch);
  void PasosAutomaticos();

  // Trigger test of the current settings (channel index, slope as seen in
  // the working trace, threshold in its codes).
  struct TriggerTest {
    bool internal = false;
    int channel = 0;
    bool rising = true;
    double level = 0;
  };
  TriggerTest CurrentTriggerTest() const;
  // Index of the latest crossing in work_ over [lo, hi] (0: none).
  std::int32_t SearchCrossing(std::int32_t lo, std::int32_t hi) const;
  // Steps 4-6 of the preparation: search, slope check, accept or hold.
  // external_offset < 0: internal trigger.
  void AlignTraces(std::int32_t lo, std::int32_t hi, std::int32_t untriggered_offset,
                   std::int32_t external_offset);
  // Steps 8-9: extremes and the Auto-mode fall-back.
  void FinishTraces();

  // Stream path (stream_acquisition.cpp).
  struct StreamPlan {
    int timebase = -1;
    double rate = 0;            // source frames per second
    std::int32_t q = 1;         // source frames averaged into one sample
    std::int32_t n1 = 0;        // samples handed to Interpolar (power of two)
    std::int32_t n2 = 0;        // its output (power of two)
    std::int32_t real = 0;      // of the n1, those from the source (the rest bridge the ends)
    std::size_t frames = 0;     // source frames of one record (real x q)
    std::uint64_t refresh = 1;  // new frames between two shown captures
    std::uint64_t search = 1;   // new frames between two trigger searches
    double pick_first = 0;      // Interpolar output index of record point 0
    double pick_step = 0;       // output indexes per record point
  };
  bool PlanStream(int k, StreamPlan* plan) const;
  void ProgramaFlujo();
  StreamSetup PedidoDeFlujo() const;
  std::uint64_t StreamReadyAt() const;
  bool ComprobacionFlujo();
  void LecturaFlujo();
  bool PrepareStreamRecord(std::uint64_t end);
  void PickRecord(double shift);
  bool StreamTrigger();
  std::int32_t StreamWindowLow() const;

  Rechazo CheckBoardFields() const;
  void GenerateDemo();
  void PrepareDemoTables(double w, std::int32_t count);
  void PrepareTraces();
  void Resample(int ch, double order, double ratio, bool extra_pre);
  float Uniform();

  std::unique_ptr<BoardCalls> board_;
  MonotonicClock clock_;
  std::unique_ptr<Sigdex> sigdex1_;
  std::shared_ptr<const PictureDecoder> decoder_;

  // Settings (fresh instance: numbers 0/false, texts "0").
  std::int16_t base_de_tiempos_actual_ = 0;
  std::string base_de_tiempos_actual_texto_ = "0";
  double tiempo_estimado_field_ = 0;
  std::int32_t muestras_extra_pre_field_ = 0;
  std::int32_t muestras_extra_pos_field_ = 0;
  std::int32_t muestras_pre_field_ = 0;
  std::int32_t muestras_pos_field_ = 0;
  std::int32_t muestras_field_ = 0;
  double fm_placa_field_ = 0;
  double fm_equivalente_field_ = 0;
  double base_tiempos_div_field_ = 0;
  std::int16_t ganancia_[2] = {0, 0};
  std::string ganancia_texto_[2] = {"0", "0"};
  double vdiv_field_[2] = {0, 0};
  std::int16_t acoplamiento_[2] = {0, 0};
  bool activo_[2] = {false, false};
  bool invertido_[2] = {false, false};
  std::int16_t desplazamiento_[2] = {0, 0};
  std::int16_t modo_disparo_ = 0;
  std::string modo_disparo_texto_ = "0";
  std::int16_t canal_disparo_ = 0;
  std::int16_t disparo_externo_ = 0;
  std::int16_t nivel_ = 0;
  std::int16_t flanco_ = 0;
  double movimiento_pretrigger_ = 0;
  bool fuerza_modo_software_ = false;
  bool gain_auto_[2] = {false, false};
  bool trigger_auto_ = false;
  std::int16_t promediado_ = 0;
  bool fin_de_captura_ = false;
  bool modo_xy_ = false;
  hosting::PropertyValue tag_x_{std::int64_t{0}};
  std::string path_ = "0";
  std::int16_t direccion_es_ = 0;
  std::string path_cal_ = "0";
  std::string path_cal2_ = "0";
  std::uint8_t comp_offset_[2] = {0, 0};
  double comp_ganancia_[2] = {0, 0};
  std::uint8_t vm_byte_[2] = {0, 0};
  double vpp_[2] = {0, 0}, vm_[2] = {0, 0}, f_[2] = {0, 0}, t_[2] = {0, 0}, vrms_[2] = {0, 0};
  PictureHandle pantalla_tiempo_;
  PictureHandle pantalla_frecuencia_;
  bool modo_demo_ = false;
  bool modo_remoto_ = false;
  std::int16_t ganancia_d_ = 0;
  std::string ganancia_d_texto_ = "0";
  std::int16_t acoplamiento_d_ = 0;
  bool canal_d_activo_ = false;
  std::int16_t base_de_tiempos_d_ = 0;
  std::string base_de_tiempos_d_texto_ = "0";
  std::int16_t desplazamiento_d_ = 0;
  std::vector<float> vdisk_;

  // Acquisition state.
  std::int16_t base_programada_ = 0;
  std::int32_t cuenta_pre_ = 0, cuenta_pantalla_ = 0, cuenta_pos_ = 0;
  double instante_programacion_ = 0;  // monotonic seconds
  AjusteAutomatico ajuste_;            // settle counters of the automatic settings
  Rechazo rechazo_ = Rechazo::kNinguno;
  std::vector<std::uint8_t> raw_[2];
  std::vector<float> work_[2];
  std::vector<float> aligned_[2];
  std::vector<float> held_[2];
  std::vector<float> xy_[2];
  bool hold_valid_ = false;
  std::int16_t hold_misses_ = 0;
  bool triggered_ = false;
  std::int32_t trigger_index_ = 0;
  double maximo_[2] = {0, 0}, minimo_[2] = {0, 0};
  Mt19937 random_{12345u};

  // Demonstration generator tables for one board rate w (samples per
  // period / 2 pi scale): sin and cos of the channel 1 angle i 2 pi / w and
  // of the channel 2 angle, twice it, for points 0..demo_count_ - 1. Built
  // once per rate (and grown up to the capture length), 8193 points at most.
  struct DemoTables {
    double w = 0;
    std::int32_t count = 0;
    std::vector<double> sin1, cos1, sin2, cos2;
  };
  DemoTables demo_;

  // Stream source and its capture state.
  std::shared_ptr<StreamSource> stream_;
  StreamPlan plan_;
  std::vector<float> stream_frames_;   // one channel's frames of a record
  std::vector<float> stream_in_;       // Interpolar input (8192)
  std::vector<float> stream_out_[2];   // Interpolar output per channel (8192)
  std::uint64_t stream_end_ = 0;       // ring position just past the prepared record
  std::uint64_t stream_next_ = 0;      // frames written before the next poll can succeed
  bool stream_prepared_ = false;       // work_ holds a record not yet read
  bool base_rechazada_ = false;

  // Averaging, measurements, calibration, clipboard.
  std::vector<float> averaged_[2];
  bool vm_byte_clamped_[2] = {false, false};
  TablasDeCalibracion calibracion_;
  std::shared_ptr<Portapapeles> clipboard_;
};

}  // namespace orva::scope
