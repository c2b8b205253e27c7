// Settings of the instrument: clamping setters and their side effects, table
// and text views, design-time-only properties, change notification, and the
// persisted record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orva/scope/osciloscopio.h"
#include "scope_fakes.h"
#include "sigdexp/sigdex_control.h"

namespace orva::scope {
namespace {

using hosting::ControlError;
using hosting::PropertyBag;
using testing::Rig;

struct Notified {
  std::vector<std::string> keys;
  void Attach(Osciloscopio& o) {
    o.SetPropertyChangedHandler([this](std::string_view k) { keys.emplace_back(k); });
  }
};

TEST(ScopeSettings, TimebaseSetterClampsToSelectableRowsAndReports) {
  Rig r;
  Notified n;
  n.Attach(*r.osc);
  const std::vector<std::pair<int, int>> cases{{0, 2}, {1, 2}, {21, 20}, {-5, 2}, {8, 8}, {20, 20}, {32767, 20}};
  for (auto [in, want] : cases) {
    r.osc->BaseDeTiemposActual(static_cast<std::int16_t>(in));
    EXPECT_EQ(r.osc->BaseDeTiemposActual(), want) << in;
  }
  EXPECT_EQ(n.keys.size(), cases.size());
  EXPECT_EQ(n.keys.front(), "BaseDeTiemposActual");
  // Table views follow the row.
  r.osc->BaseDeTiemposActual(8);
  EXPECT_EQ(r.osc->BaseDeTiemposActualTexto(), "5us/Div");
  EXPECT_EQ(r.osc->MuestrasExtraPre(), 240);
  EXPECT_EQ(r.osc->MuestrasExtraPos(), 340);
  EXPECT_EQ(r.osc->muestras(), 2000);
  EXPECT_DOUBLE_EQ(r.osc->FMEquivalente(), 5120000.0);
  EXPECT_DOUBLE_EQ(r.osc->BaseTiemposDiv(), 5e-06);
  r.osc->BaseDeTiemposActual(20);
  EXPECT_DOUBLE_EQ(r.osc->FMPlaca(), 14.0);
  EXPECT_DOUBLE_EQ(r.osc->TiempoEstimado(), 2.47);
}

TEST(ScopeSettings, TimebaseTextLookupIsExactAndGoesThroughTheClamp) {
  Rig r;
  EXPECT_EQ(r.osc->BaseDeTiemposActualTexto(), "10ns/Div");  // fresh instance: row 0
  r.osc->BaseDeTiemposActualTexto("10ns/Div");
  EXPECT_EQ(r.osc->BaseDeTiemposActual(), 2);
  EXPECT_EQ(r.osc->BaseDeTiemposActualTexto(), "50ns/Div");
  r.osc->BaseDeTiemposActualTexto("1ms/Div");
  EXPECT_EQ(r.osc->BaseDeTiemposActual(), 15);
  r.osc->BaseDeTiemposActualTexto("5us/div");  // lower-case d: no match
  EXPECT_EQ(r.osc->BaseDeTiemposActual(), 15);
  r.osc->BaseDeTiemposActualTexto("");
  EXPECT_EQ(r.osc->BaseDeTiemposActual(), 15);

  // The reference channel's lookup does not clamp.
  r.osc->BaseDeTiemposDTexto("10ns/Div");
  EXPECT_EQ(r.osc->BaseDeTiemposD(), 0);
  EXPECT_EQ(r.osc->BaseDeTiemposDTexto(), "10ns/Div");
  r.osc->BaseDeTiemposD(-7);
  EXPECT_EQ(r.osc->BaseDeTiemposD(), -7);
  EXPECT_EQ(r.osc->BaseDeTiemposDTexto(), "10ns/Div");  // nearest row
  r.osc->BaseDeTiemposD(25);
  EXPECT_EQ(r.osc->BaseDeTiemposDTexto(), "50ms/Div");
}

TEST(ScopeSettings, GainSetterClampsAndSetsVoltsPerDivision) {
  Rig r;
  r.osc->GananciaCanal1(15);
  EXPECT_EQ(r.osc->GananciaCanal1(), 10);
  EXPECT_DOUBLE_EQ(r.osc->VDiv1(), static_cast<double>(0.02f));
  EXPECT_DOUBLE_EQ(r.osc->GananciaCanal1VOLT(), 4.0 * static_cast<double>(0.02f));
  EXPECT_EQ(r.osc->GananciaCanal1Texto(), "20mV/div");
  r.osc->GananciaCanal2(-3);
  EXPECT_EQ(r.osc->GananciaCanal2(), 0);
  EXPECT_DOUBLE_EQ(r.osc->VDiv2(), 50.0);
  EXPECT_EQ(r.osc->GananciaCanal2Texto(), "50V/div");
  r.osc->GananciaCanal2(5);
  EXPECT_EQ(r.osc->GananciaCanal2Texto(), "1V/div");
  EXPECT_DOUBLE_EQ(r.osc->GananciaCanal2VOLT(), 4.0);

  // The setter also stores the V/div in the persisted VDiv field.
  PropertyBag bag;
  r.osc->WriteProperties(bag);
  EXPECT_DOUBLE_EQ(bag.ReadDouble("VDiv1", 0), static_cast<double>(0.02f));
  EXPECT_DOUBLE_EQ(bag.ReadDouble("VDiv2", 0), 1.0);
}

TEST(ScopeSettings, AssignedTableViewsArePersistedButReadsComeFromTheTables) {
  Rig r;
  Notified n;
  n.Attach(*r.osc);
  r.osc->BaseDeTiemposActual(8);
  r.osc->muestras(999);
  r.osc->TiempoEstimado(7.5);
  r.osc->FMPlaca(3);
  r.osc->VDiv1(123.0);
  EXPECT_EQ(r.osc->muestras(), 2000);
  EXPECT_DOUBLE_EQ(r.osc->TiempoEstimado(), 0.1);
  EXPECT_DOUBLE_EQ(r.osc->FMPlaca(), 0.0);
  EXPECT_DOUBLE_EQ(r.osc->VDiv1(), 50.0);
  EXPECT_EQ(n.keys, (std::vector<std::string>{"BaseDeTiemposActual", "Muestras", "TiempoEstimado",
                                              "FMPlaca", "VDiv1"}));
  PropertyBag bag;
  r.osc->WriteProperties(bag);
  EXPECT_EQ(bag.ReadInt32("Muestras", 0), 999);
  EXPECT_DOUBLE_EQ(bag.ReadDouble("TiempoEstimado", 0), 7.5);
  EXPECT_DOUBLE_EQ(bag.ReadDouble("VDiv1", 0), 123.0);
}

TEST(ScopeSettings, AutomaticGainAndTimebaseSetTheirStartingPointDirectly) {
  Rig r;
  r.osc->GananciaCanal2(5);  // VDiv2 field 1.0
  r.osc->GainAuto2(true);
  EXPECT_EQ(r.osc->GananciaCanal2(), 10);
  PropertyBag bag;
  r.osc->WriteProperties(bag);
  EXPECT_DOUBLE_EQ(bag.ReadDouble("VDiv2", 0), 1.0);  // left at its previous value
  EXPECT_EQ(bag.ReadInt("GainAuto2", 0), -1);
  r.osc->GainAuto1(false);
  EXPECT_EQ(r.osc->GananciaCanal1(), 0);

  r.osc->BaseDeTiemposActual(15);
  r.osc->TriggerAuto(true);
  EXPECT_EQ(r.osc->BaseDeTiemposActual(), 2);
  r.osc->BaseDeTiemposActual(15);
  r.osc->TriggerAuto(false);
  EXPECT_EQ(r.osc->BaseDeTiemposActual(), 15);
}

TEST(ScopeSettings, DesignTimeOnlyPropertiesRefuseAtRunTime) {
  Rig r;
  auto expect382 = [](auto&& f) {
    try {
      f();
      ADD_FAILURE() << "no error";
    } catch (const ControlError& e) {
      EXPECT_EQ(e.Number(), 382);
    }
  };
  expect382([&] { r.osc->GananciaCanal1Texto("x"); });
  expect382([&] { r.osc->GananciaCanal2Texto("x"); });
  expect382([&] { r.osc->ModoDisparoTexto("x"); });
  expect382([&] { r.osc->Vm1Byte(9); });
  expect382([&] { r.osc->Vm2Byte(9); });
  EXPECT_EQ(r.osc->Vm1Byte(), 0);
  PropertyBag bag;
  r.osc->WriteProperties(bag);
  EXPECT_EQ(bag.Size(), 0u);  // nothing was stored

  r.osc->SetUserMode(false);
  Notified n;
  n.Attach(*r.osc);
  r.osc->GananciaCanal1Texto("stored text");
  r.osc->ModoDisparoTexto("mode text");
  r.osc->Vm2Byte(77);
  EXPECT_EQ(n.keys, (std::vector<std::string>{"GananciaCanal1Texto", "ModoDisparoTexto", "Vm2Byte"}));
  EXPECT_EQ(r.osc->Vm2Byte(), 77);
  // Reads of the texts still come from the tables.
  EXPECT_EQ(r.osc->GananciaCanal1Texto(), "50V/div");
  r.osc->ModoDisparo(2);
  EXPECT_EQ(r.osc->ModoDisparoTexto(), "Auto");
  r.osc->ModoDisparo(9);
  EXPECT_EQ(r.osc->ModoDisparoTexto(), "");
  r.osc->WriteProperties(bag);
  EXPECT_EQ(bag.ReadString("GananciaCanal1Texto", "0"), "stored text");
  EXPECT_EQ(bag.ReadString("ModoDisparoTexto", "0"), "mode text");
}

TEST(ScopeSettings, CouplingTextsMapCodesBothWays) {
  Rig r;
  r.osc->AcoplamientoCanal1(0);
  EXPECT_EQ(r.osc->AcoplamientoCanal1Texto(), "GND");
  r.osc->AcoplamientoCanal1Texto("AC");
  EXPECT_EQ(r.osc->AcoplamientoCanal1(), 2);
  r.osc->AcoplamientoCanal1Texto("ac");  // ignored
  EXPECT_EQ(r.osc->AcoplamientoCanal1(), 2);
  r.osc->AcoplamientoCanal2(7);
  EXPECT_EQ(r.osc->AcoplamientoCanal2Texto(), "");
  r.osc->AcoplamientoCanal2Texto("DC");
  EXPECT_EQ(r.osc->AcoplamientoCanal2(), 1);
  r.osc->AcoplamientoCanalDTexto("GND");
  EXPECT_EQ(r.osc->AcoplamientoCanalD(), 0);
  r.osc->AcoplamientoCanalD(-1);
  EXPECT_EQ(r.osc->AcoplamientoCanalDTexto(), "");
}

TEST(ScopeSettings, EveryChangeIsReportedUnderItsKey) {
  Rig r;
  Notified n;
  n.Attach(*r.osc);
  r.osc->promediado(4);
  r.osc->t1(1.5);
  r.osc->t2(2.5);
  r.osc->path("/boards");
  r.osc->Canal2Invertido(true);
  r.osc->DesplazamientoYCanalD(3);
  r.osc->TagX(hosting::PropertyValue(std::string("tag")));
  r.osc->AcoplamientoCanal1Texto("DC");
  r.osc->MetodoInterpolacion(hosting::PropertyValue(std::int64_t{1}));
  EXPECT_EQ(n.keys, (std::vector<std::string>{"Promediado", "T1", "T2", "Path", "Canal2Invertido",
                                              "DesplazamientoYCanalD", "TagX", "AcoplamientoCanal1",
                                              "MetodoInterpolacion"}));
  // Plain state, not settings: no report.
  n.keys.clear();
  r.osc->ModoDemo(true);
  r.osc->ModoRemoto(true);
  r.osc->V1Remoto({1, 2, 3});
  EXPECT_TRUE(n.keys.empty());
}

TEST(ScopeSettings, FreshInstanceSavesNothingAndListsSixtySevenKeys) {
  Rig r;
  PropertyBag bag;
  r.osc->WriteProperties(bag);
  EXPECT_EQ(bag.Size(), 0u);
  EXPECT_EQ(Osciloscopio::PersistedKeys().size(), 67u);
  EXPECT_EQ(r.osc->path(), "0");
  EXPECT_EQ(r.osc->GananciaCanalDTexto(), "0");
  EXPECT_EQ(r.osc->PantallaTiempo(), nullptr);
}

// Fills every persisted setting with a value different from its default.
void SetEverything(Osciloscopio& o) {
  o.SetUserMode(false);
  o.TiempoEstimado(1.25);
  o.MuestrasExtraPre(11);
  o.MuestrasExtraPos(12);
  o.MuestrasPre(13);
  o.MuestrasPos(14);
  o.muestras(15);
  o.FMPlaca(3);
  o.FMEquivalente(77.5);
  o.BaseTiemposDiv(0.5);
  o.path("/boards/ktr");
  o.DireccionES(0x390);
  o.AcoplamientoCanal1(1);
  o.AcoplamientoCanal2(2);
  o.GananciaCanal1(4);
  o.GananciaCanal2(9);
  o.BaseDeTiemposActualTexto("2ms/Div");
  o.ModoDisparo(2);
  o.CanalDisparo(2);
  o.DisparoExterno(1);
  o.Nivel(140);
  o.Flanco(1);
  o.FinDeCaptura(true);
  o.ModoXY(true);
  o.TagX(hosting::PropertyValue(std::string("host tag")));
  o.Canal1Activo(true);
  o.Canal2Activo(true);
  o.Vpp1(1.5); o.Vm1(-0.25); o.F1(1000); o.t1(0.001);
  o.Vpp2(2.5); o.Vm2(0.75); o.F2(2000); o.t2(0.0005);
  o.GananciaCanal1Texto("g1");
  o.GananciaCanal2Texto("g2");
  o.FuerzaModoSoftware(true);
  o.ModoDisparoTexto("Auto");
  o.MovimientoPretrigger(-2.5);
  o.CompensacionDeOffset1(7);
  o.CompensacionDeGanancia1(985.0);
  o.CompensacionDeOffset2(250);
  o.CompensacionDeGanancia2(1012.5);
  o.PathCal("/cal");
  o.PathCal2("/cal2");
  o.Canal1Invertido(true);
  o.Canal2Invertido(true);
  o.Vm1Byte(100);
  o.Vm2Byte(200);
  o.PantallaTiempo(std::make_shared<EncodedPicture>("time picture bytes"));
  o.PantallaFrecuencia(std::make_shared<EncodedPicture>(std::string("\x89PNG\0\x01", 6)));
  o.GananciaCanalD(3);
  o.GananciaCanalDTexto("5V/div");
  o.AcoplamientoCanalD(2);
  o.CanalDActivo(true);
  o.BaseDeTiemposDTexto("1us/Div");
  o.promediado(8);
  o.DesplazamientoYCanal1(-12);
  o.DesplazamientoYCanal2(30);
  o.DesplazamientoYCanalD(5);
  // Side effects last, so that the record holds all of them.
  o.GainAuto1(true);
  o.GainAuto2(true);
  o.TriggerAuto(true);
  o.BaseDeTiemposActual(16);
}

TEST(ScopePersistence, RoundTripKeepsEveryKeyInOrder) {
  Rig a;
  SetEverything(*a.osc);
  PropertyBag saved;
  a.osc->WriteProperties(saved);
  EXPECT_EQ(saved.Size(), 67u);
  std::vector<std::string> want(Osciloscopio::PersistedKeys().begin(), Osciloscopio::PersistedKeys().end());
  EXPECT_EQ(saved.Keys(), want);
  EXPECT_EQ(saved.ReadInt("Canal1Activo", 0), -1);  // booleans as -1

  Rig b;
  Notified n;
  n.Attach(*b.osc);
  b.osc->ReadProperties(saved);
  EXPECT_TRUE(n.keys.empty());  // loading reports nothing
  PropertyBag again;
  b.osc->WriteProperties(again);
  EXPECT_EQ(again.Entries(), saved.Entries());

  EXPECT_EQ(b.osc->BaseDeTiemposActual(), 16);
  EXPECT_EQ(b.osc->GananciaCanal1(), 10);
  EXPECT_EQ(b.osc->Nivel(), 140);
  EXPECT_DOUBLE_EQ(b.osc->MovimientoPretrigger(), -2.5);
  EXPECT_TRUE(b.osc->Canal2Invertido());
  // The compensation keys come back into the properties' own fields (saved
  // again above); loading never fills the calibration tables themselves.
  EXPECT_EQ(again.ReadInt("CompensacionDeOffset2", 0), 250);
  EXPECT_EQ(b.osc->CompensacionDeOffset2(), 0);
  EXPECT_EQ(std::get<std::string>(b.osc->TagX()), "host tag");
  ASSERT_NE(b.osc->PantallaFrecuencia(), nullptr);
  EXPECT_EQ(b.osc->PantallaFrecuencia()->Encode(), std::string("\x89PNG\0\x01", 6));
}

TEST(ScopePersistence, LoadingAssignsFieldsWithoutSettersOrClamping) {
  PropertyBag bag;
  bag.Write("BaseDeTiemposActual", std::int64_t{25}, 0);
  bag.Write("GananciaCanal1", std::int64_t{11}, 0);
  bag.Write("GananciaCanal2", std::int64_t{-4}, 0);
  bag.Write("AcoplamientoCanal1", std::int64_t{7}, 0);
  bag.Write("GainAuto1", std::int64_t{-1}, 0);
  bag.Write("TriggerAuto", std::int64_t{-1}, 0);
  bag.Write("BaseDeTiemposD", std::int64_t{-3}, 0);
  Rig r;
  r.osc->ReadProperties(bag);
  EXPECT_EQ(r.osc->BaseDeTiemposActual(), 25);
  EXPECT_EQ(r.osc->GananciaCanal1(), 11);
  EXPECT_TRUE(r.osc->GainAuto1());
  // Out-of-table indexes read the nearest row.
  EXPECT_EQ(r.osc->BaseDeTiemposActualTexto(), "50ms/Div");
  EXPECT_DOUBLE_EQ(r.osc->TiempoEstimado(), 2.47);
  EXPECT_EQ(r.osc->GananciaCanal1Texto(), "20mV/div");
  EXPECT_DOUBLE_EQ(r.osc->VDiv1(), static_cast<double>(0.02f));
  EXPECT_EQ(r.osc->GananciaCanal2Texto(), "50V/div");
  EXPECT_EQ(r.osc->AcoplamientoCanal1Texto(), "");
  EXPECT_EQ(r.osc->BaseDeTiemposDTexto(), "10ns/Div");

  // A stored timebase of 0 stays 0 (no clamping on load).
  PropertyBag zero;
  Rig z;
  z.osc->BaseDeTiemposActual(12);
  z.osc->ReadProperties(zero);
  EXPECT_EQ(z.osc->BaseDeTiemposActual(), 0);
  EXPECT_EQ(z.osc->BaseDeTiemposActualTexto(), "10ns/Div");
  EXPECT_EQ(z.osc->path(), "0");  // missing text keys read "0"
}

TEST(ScopePersistence, ValuesThatDoNotFitTheirFieldsRaiseOverflowAndChangeNothing) {
  Rig r;
  r.osc->GananciaCanal1(4);
  r.osc->path("/before");
  PropertyBag bag;
  bag.Write("GananciaCanal1", std::int64_t{7}, 0);
  bag.Write("Path", std::string("/after"), std::string("0"));
  bag.Write("Nivel", std::int64_t{70000}, 0);
  EXPECT_THROW(r.osc->ReadProperties(bag), ControlError);
  EXPECT_EQ(r.osc->GananciaCanal1(), 4);
  EXPECT_EQ(r.osc->path(), "/before");
  PropertyBag bytes;
  bytes.Write("Vm1Byte", std::int64_t{300}, 0);
  try {
    r.osc->ReadProperties(bytes);
    ADD_FAILURE();
  } catch (const ControlError& e) {
    EXPECT_EQ(e.Number(), 6);
  }
}

class CountingDecoder final : public PictureDecoder {
 public:
  mutable int calls = 0;
  PictureHandle Decode(const std::string& bytes) const override {
    ++calls;
    return std::make_shared<EncodedPicture>("decoded:" + bytes);
  }
};

TEST(ScopePersistence, PicturesTravelAsBytesAndEmptyOnesAreOmitted) {
  Rig r;
  r.osc->PantallaTiempo(std::make_shared<EncodedPicture>(""));  // empty picture
  r.osc->PantallaFrecuencia(std::make_shared<EncodedPicture>("spectrum"));
  PropertyBag bag;
  r.osc->WriteProperties(bag);
  EXPECT_FALSE(bag.Contains("PantallaTiempo"));
  EXPECT_EQ(bag.ReadString("PantallaFrecuencia", ""), "spectrum");

  Rig plain;
  plain.osc->ReadProperties(bag);
  EXPECT_EQ(plain.osc->PantallaTiempo(), nullptr);
  EXPECT_EQ(plain.osc->PantallaFrecuencia()->Encode(), "spectrum");

  Rig decoded;
  auto dec = std::make_shared<CountingDecoder>();
  decoded.osc->SetPictureDecoder(dec);
  decoded.osc->ReadProperties(bag);
  EXPECT_EQ(dec->calls, 1);
  EXPECT_EQ(decoded.osc->PantallaFrecuencia()->Encode(), "decoded:spectrum");
}

TEST(ScopeSettings, InterpolationMethodIsForwardedToTheEmbeddedControl) {
  Rig r;
  r.osc->MetodoInterpolacion(hosting::PropertyValue(std::int64_t{1}));
  EXPECT_EQ(std::get<std::int64_t>(r.osc->Sigdex1().MetodoInterpolacion()), 1);
  r.osc->Sigdex1().MetodoInterpolacion(hosting::PropertyValue(std::string("0")));
  EXPECT_EQ(std::get<std::string>(r.osc->MetodoInterpolacion()), "0");
}

TEST(ScopeSettings, RawBuffersKeepTheirSizeWhateverIsAssigned) {
  Rig r;
  r.osc->V1Remoto({10, 20, 30});
  const auto v1 = r.osc->V1Remoto();
  ASSERT_EQ(v1.size(), static_cast<std::size_t>(kRawBufferSize));
  EXPECT_EQ(v1[0], 10);
  EXPECT_EQ(v1[2], 30);
  EXPECT_EQ(v1[3], 128);
  EXPECT_EQ(v1.back(), 128);
  std::vector<std::uint8_t> longer(10000, 7);
  longer[8192] = 9;
  r.osc->V2Remoto(longer);
  const auto v2 = r.osc->V2Remoto();
  ASSERT_EQ(v2.size(), static_cast<std::size_t>(kRawBufferSize));
  EXPECT_EQ(v2[8192], 9);
  EXPECT_EQ(r.osc->V1Remoto().size(), static_cast<std::size_t>(kRawBufferSize));
}

}  // namespace
}  // namespace orva::scope
