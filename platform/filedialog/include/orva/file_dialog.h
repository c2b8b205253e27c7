// The standard open/save file dialog, as the stores ask for it.
//
// A store fills a FileDialogRequest (open or save, start folder, filter,
// proposed name, default extension, overwrite confirmation) and receives the
// chosen full file name, or nothing when the user cancelled. The window
// answers with a real dialog (QFileDialog); tests and the headless run answer
// with AnsweringDialog, which shows nothing. Qt-free.
//
// Filters are written as the stores' callers know them: pairs of a
// description and a pattern separated by '|', "Signal (*.mdb)|*.mdb";
// FilterEntries splits them (an odd last description has no pattern and is
// dropped).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orva::filedialog {

struct FileDialogRequest {
  enum class Mode { kOpen, kSave };
  Mode mode = Mode::kOpen;
  std::string start_folder;      // empty: the dialog's own choice
  std::string filter;            // "description|pattern|..."
  std::string file_name;         // proposed name
  std::string default_extension;  // added to a typed name without one ("mdb"), or empty
  bool confirm_overwrite = false;  // save: ask before choosing an existing file
};

struct FilterEntry {
  std::string description;
  std::string pattern;  // "*.mdb", or several separated by ';'
};
std::vector<FilterEntry> FilterEntries(std::string_view filter);

class FileDialog {
 public:
  virtual ~FileDialog() = default;
  // The chosen full file name; nullopt when the dialog was cancelled.
  virtual std::optional<std::string> Show(const FileDialogRequest& request) = 0;
};

// Answers every request with a set answer (a file name, or a cancel) and
// remembers the requests it was given.
class AnsweringDialog : public FileDialog {
 public:
  AnsweringDialog() = default;
  explicit AnsweringDialog(std::string answer) : answer_(std::move(answer)) {}
  void Answer(std::string file) { answer_ = std::move(file); }
  void Cancel() { answer_.reset(); }
  std::optional<std::string> Show(const FileDialogRequest& request) override {
    requests_.push_back(request);
    return answer_;
  }
  const std::vector<FileDialogRequest>& Requests() const { return requests_; }

 private:
  std::optional<std::string> answer_;
  std::vector<FileDialogRequest> requests_;
};

}  // namespace orva::filedialog
