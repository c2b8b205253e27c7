// Makers of the option groups, one per source file of this folder. The run's
// own options (--headless, --passes, --screenshot) belong to run.cpp.
#pragma once

#include <memory>

#include "orva/cli/option_group.h"

namespace orva::cli {

std::unique_ptr<OptionGroup> MakeSettingsOptions();  // --set KEY=VALUE
std::unique_ptr<OptionGroup> MakeLanguageOptions();  // language_options.cpp: --language
std::unique_ptr<OptionGroup> MakeCursorOptions();  // cursor_options.cpp: --cursors
// --open-config, --open-signal, --save-signal, --save-config (file_options.cpp).
std::unique_ptr<OptionGroup> MakeFileOptions();
// remote_options.cpp: --board-station, --remote-station HOST, --port P, --allow ADDR
std::unique_ptr<OptionGroup> MakeRemoteOptions();

}  // namespace orva::cli
