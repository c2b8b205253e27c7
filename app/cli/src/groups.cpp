// The program's option groups, in the order they act: one line per group,
// its maker declared in groups.h.
#include "groups.h"

namespace orva::cli {

std::vector<std::unique_ptr<OptionGroup>> AllOptionGroups() {
  std::vector<std::unique_ptr<OptionGroup>> groups;
  groups.push_back(MakeLanguageOptions());
  groups.push_back(MakeSourceOptions());
  groups.push_back(MakeSettingsOptions());
  groups.push_back(MakeCursorOptions());
  groups.push_back(MakeFileOptions());
  groups.push_back(MakeRemoteOptions());
  groups.push_back(MakeExportOptions());
  groups.push_back(MakeSoundOptions());
  return groups;
}

}  // namespace orva::cli
