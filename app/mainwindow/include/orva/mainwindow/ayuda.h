// The program's help: where its file is looked for, and the small window that
// shows it.
//
// The language module names the help file from the program folder (the
// folder without its last four characters, the language number, ".hlp";
// orva/localisation/idioma.h). On Linux the program lives in <prefix>/bin,
// whose last four characters are "/bin", so the name points beside <prefix>
// (a program in /usr/bin would look for /usr1.hlp), outside anything the
// program owns. The file name the rule forms is kept ("usr1.hlp"), and it is
// looked for in the program's data folders, in this order:
//   1. the program folder itself (the build tree: build/bin/build1.hlp);
//   2. <program folder>/../share/orvascope (an installed program:
//      /usr/share/orvascope/usr1.hlp).
// The files are HTML whatever their extension; the build and the install rule
// put the manual of each language there under the name the rule forms for
// that place (app/mainwindow/help/).
#pragma once

#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class QTextBrowser;

namespace orva::mainwindow {

// The folders searched for the help file of a program in program_folder.
std::vector<std::string> CarpetasDeAyuda(const std::string& program_folder);

// The help file: the file name of help_file (as the language module formed
// it) in the first data folder that holds a regular file of that name.
// std::nullopt when help_file is empty or names a folder, or no folder has it.
std::optional<std::string> BuscaAyuda(const std::string& help_file,
                                      const std::string& program_folder);

// A top-level window with the manual: links inside the manual are followed,
// links to the web open in the desktop's browser.
class VisorDeAyuda : public QWidget {
 public:
  explicit VisorDeAyuda(QWidget* parent = nullptr);
  // Shows the HTML file (read now; the file is not kept open) under title.
  // False when the file cannot be read (the window is then left unchanged).
  bool Muestra(const std::string& fichero, const QString& titulo);
  QTextBrowser* Texto() const { return texto_; }
  const std::string& Fichero() const { return fichero_; }

 private:
  QTextBrowser* texto_ = nullptr;
  std::string fichero_;
};

}  // namespace orva::mainwindow
