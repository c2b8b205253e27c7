// A save that fails or is killed half-way never damages the file that was there.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "orva/storage/bd_config.h"
#include "orva/storage/bd_signal.h"
#include "store_fixture.h"

namespace orva::storage {
namespace {

using namespace testing;

// Every name in the folder but the target is a save's hidden copy.
void ExpectOnlyTargetAndCopies(const TempFolder& dir, const std::string& target) {
  for (const std::string& n : dir.Names()) {
    if (n == target) continue;
    EXPECT_EQ(n.rfind("." + target + ".", 0), 0u) << n;
    EXPECT_EQ(n.substr(n.size() - 4), ".tmp") << n;
  }
}

TEST(AtomicSave, ASaveFailingWhileAppendingLeavesTheOldFileByteForByte) {
  // Templates that refuse a row half-way, as a full disk would: the signal
  // one takes no repeated sample, the configuration one no trigger channel 2.
  TempFolder templates;
  Sql(templates / "ModelSignal.mdx",
      "CREATE TABLE Config (Instrument TEXT, Type TEXT);"
      "CREATE TABLE Parameters (Gain TEXT, Coupling TEXT, TimeBase TEXT, Name TEXT,"
      " Description TEXT, Comment TEXT, Date TEXT);"
      "CREATE TABLE Data (Value FLOAT UNIQUE);");
  std::filesystem::copy_file(std::string(ORVA_TEMPLATE_DIR) + "/ModelKTR5.mdx", templates / "ModelKTR5.mdx");
  Sql(templates / "ModelKTR5.mdx", "CREATE TRIGGER full BEFORE INSERT ON Parameters"
                                   " WHEN NEW.TriggerChannel = 2 BEGIN SELECT RAISE(ABORT, 'disk full'); END");

  TempFolder dir;
  auto o = Instrument();
  auto dialog = std::make_shared<filedialog::AnsweringDialog>(dir / "old.mdb");
  RecordingPanel panel;
  BDSignal signal(*o, dialog);
  BDConfig config(*o, panel, dialog, "/");
  std::vector<float> samples(600);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<float>(i);
  signal.FuenteDeMuestras([&](std::int16_t) { return samples; });
  signal.PathSignals(ORVA_TEMPLATE_DIR);
  ASSERT_TRUE(signal.Guardar2(1).Done());  // the file that is there
  const std::string before = Bytes(dir / "old.mdb");

  signal.PathSignals(templates.Path());
  samples[300] = samples[10];
  EXPECT_EQ(signal.Guardar2(1).status, Outcome::Status::kFailed);
  EXPECT_EQ(Bytes(dir / "old.mdb"), before);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"old.mdb"});

  config.PathConfigs(templates.Path());
  o->CanalDisparo(2);
  EXPECT_EQ(config.GuardarConfiguracion().status, Outcome::Status::kFailed);
  EXPECT_EQ(Bytes(dir / "old.mdb"), before);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"old.mdb"});
}

TEST(AtomicSave, AKilledSaveLeavesTheOldOrTheNewFile) {
  TempFolder dir;
  const std::string target = dir / "SigOsc.mdb";
  auto o = Instrument();
  auto dialog = std::make_shared<filedialog::AnsweringDialog>(target);
  BDSignal signal(*o, dialog);
  signal.PathSignals(ORVA_TEMPLATE_DIR);
  // Two traces told apart by their value; every save stores all 8192 samples.
  std::vector<float> traces[2] = {std::vector<float>(8193, 10.0f), std::vector<float>(8193, 20.0f)};
  int which = 0;
  signal.FuenteDeMuestras([&](std::int16_t) { return traces[which]; });
  ASSERT_TRUE(signal.Guardar(1).Done());

  std::mt19937 rng(7);
  for (int round = 0; round < 12; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) {
        which = 1 - which;
        if (!signal.Guardar(1).Done()) ::_exit(3);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5 + rng() % 60));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saving process stopped by itself: " << status;

    const auto rows = Rows(target, "SELECT count(*), min(Value), max(Value) FROM Data");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "8192") << round;
    EXPECT_EQ(rows[0][1], rows[0][2]) << round;
    EXPECT_TRUE(rows[0][1] == "10.0" || rows[0][1] == "20.0") << rows[0][1];
    ExpectOnlyTargetAndCopies(dir, "SigOsc.mdb");
  }
}

}  // namespace
}  // namespace orva::storage
