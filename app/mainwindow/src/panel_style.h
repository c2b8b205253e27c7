// Style sheets shared by the window's layout and its handlers.
#pragma once

namespace orva::mainwindow {

// The power button's caption colours: 0x00FF00 when on, 0x0000FF (pure red) off.
inline constexpr char kEstiloEncendido[] =
    "QPushButton { color: #00ff00; font-weight: bold; font-size: 14px; }";
inline constexpr char kEstiloApagado[] =
    "QPushButton { color: #ff0000; font-weight: bold; font-size: 14px; }";

}  // namespace orva::mainwindow
