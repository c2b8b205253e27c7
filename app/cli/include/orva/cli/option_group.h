// The program's command line, in groups of options.
//
// Each group declares its options, checks their values before anything runs,
// and acts at fixed points of the run through the same code the window uses
// (setters, stores, link). The run calls every group at each point, in the
// order of AllOptionGroups():
//
//   Add            the options go into the parser
//   Positionals    how many positional arguments the group's options take
//                  (an option of two values, such as --save-signal CH FILE,
//                  gets its second one there); the group's are those from
//                  index `first` on; any not taken by a group is refused
//   Check          values parsed and checked before the application starts;
//                  false: a bad option (one line on stderr, exit status 2)
//   AnswersAlone   after Check: true when the group's option is a question
//                  the program answers instead of running (--list-sources);
//                  the run then calls Answer with the application object
//                  made (offscreen unless QT_QPA_PLATFORM names a platform)
//                  and exits with its status
//   BeforePowerOn  after start-up, before the window is shown or the
//                  instrument switched on (window and headless runs);
//                  false: a failed operation (one line, exit status 1)
//   RunHeadless    headless only, in place of the plain passes: a group that
//                  runs the passes its own way (the remote link's stations)
//                  returns true when done, false when failed (exit 1, the
//                  report still printed); nullopt leaves them to the run
//   AfterPasses    headless only, after the passes; false: failed (exit 1)
//   Report         headless only: output lines after the standard ones
//
// A group that fails says why in *error: one line, without the program name.
#pragma once

#include <QCommandLineParser>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orva::mainwindow {
class Oscil;
}

namespace orva::cli {

class OptionGroup {
 public:
  virtual ~OptionGroup() = default;
  virtual void Add(QCommandLineParser& parser) = 0;
  virtual int Positionals(const QCommandLineParser& parser, int first) {
    (void)parser, (void)first;
    return 0;
  }
  virtual bool Check(const QCommandLineParser& parser, bool headless, std::string* error) {
    (void)parser, (void)headless, (void)error;
    return true;
  }
  virtual bool AnswersAlone() const { return false; }
  virtual int Answer(std::FILE* out) {
    (void)out;
    return 0;
  }
  virtual bool BeforePowerOn(mainwindow::Oscil& window, std::string* error) {
    (void)window, (void)error;
    return true;
  }
  // passes: the --passes value; *passes_run: the passes the group ran.
  virtual std::optional<bool> RunHeadless(mainwindow::Oscil& window, long passes, long* passes_run,
                                          std::string* error) {
    (void)window, (void)passes, (void)passes_run, (void)error;
    return std::nullopt;
  }
  virtual bool AfterPasses(mainwindow::Oscil& window, std::string* error) {
    (void)window, (void)error;
    return true;
  }
  virtual void Report(mainwindow::Oscil& window, std::FILE* out) { (void)window, (void)out; }
};

// Every group of the program, in the order they act.
std::vector<std::unique_ptr<OptionGroup>> AllOptionGroups();

// The whole program: parses argv, runs the window or the headless run, and
// returns the exit status.
int RunProgram(int argc, char** argv);

}  // namespace orva::cli
