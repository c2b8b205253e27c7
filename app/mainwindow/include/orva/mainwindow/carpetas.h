// Where the program reads and writes its files, for an ordinary user as well
// as in a build tree.
//
//   data folder     templates, manuals, the board folder with cal.dat: read
//                   only (storage::CarpetaDeDatos finds it)
//   user folder     where signal and configuration files and exports are
//                   proposed and stored: the program folder when the user may
//                   write there (a build tree, a copy unpacked by that user),
//                   else <documents>/OrvaScope (QStandardPaths), created by
//                   CreaCarpeta on the first file operation. The system's own
//                   program folders (/usr/bin, /usr/local/bin, /bin) never
//                   count as writable, so that not even root fills them.
//   calibration     cal.dat is read from the board folder; cal2.dat is written
//                   there when the user may write it, else into
//                   <per-user data>/OrvaScope/<board folder name>.
//
// PathCal and PathCal2 start as "0" and are stored in the instrument's
// settings with that value. "0" and an empty value both stand for the board
// folder (above); any other value is a folder chosen by the user and is used
// as it stands.
#pragma once

#include <string>

namespace orva::mainwindow {

// The user folder for a program in carpeta_programa (not created here).
std::string CarpetaDeUsuario(const std::string& carpeta_programa);

// Creates the folder and its parents when missing; true when it is there.
bool CreaCarpeta(const std::string& carpeta);

// A bare file name (no '/') inside the folder; a name with a folder part,
// relative or absolute, stays as it is.
std::string EnCarpeta(const std::string& fichero, const std::string& carpeta);

// Whether the process may create files in the folder (it exists and is
// writable and searchable for this user).
bool CarpetaEscribible(const std::string& carpeta);

// The folder of cal.dat for PathCal's value and the board folder.
std::string CarpetaDeCal(const std::string& path_cal, const std::string& carpeta_placa);
// The folder of cal2.dat for PathCal2's value and the board folder.
std::string CarpetaDeCal2(const std::string& path_cal2, const std::string& carpeta_placa);

}  // namespace orva::mainwindow
