// Makers of the option groups, one per source file of this folder. The run's
// own options (--headless, --passes, --screenshot) belong to run.cpp.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "orva/cli/option_group.h"

namespace orva::cli {

// A group whose operations each add an output line (Report prints them in
// order) and fail with one line.
class LineReportingGroup : public OptionGroup {
 public:
  void Report(mainwindow::Oscil&, std::FILE* out) override {
    for (const std::string& l : lines_) std::fprintf(out, "%s\n", l.c_str());
  }

 protected:
  static bool Error(std::string* error, std::string text) {
    *error = std::move(text);
    return false;
  }
  std::vector<std::string> lines_;
};

std::unique_ptr<OptionGroup> MakeSourceOptions();  // source_options.cpp: --source, --list-sources
std::unique_ptr<OptionGroup> MakeSettingsOptions();  // --set KEY=VALUE
std::unique_ptr<OptionGroup> MakeLanguageOptions();  // language_options.cpp: --language
std::unique_ptr<OptionGroup> MakeCursorOptions();  // cursor_options.cpp: --cursors
// --open-config, --open-signal, --save-signal, --save-config (file_options.cpp).
std::unique_ptr<OptionGroup> MakeFileOptions();
// remote_options.cpp: --board-station, --remote-station HOST, --port P, --allow ADDR
std::unique_ptr<OptionGroup> MakeRemoteOptions();
// --export-csv, --export-wav (export_options.cpp).
std::unique_ptr<OptionGroup> MakeExportOptions();
// --audio-full-scale V1[,V2] (sound_options.cpp).
std::unique_ptr<OptionGroup> MakeSoundOptions();

}  // namespace orva::cli
