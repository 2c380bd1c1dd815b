#pragma once
// Menu and accelerator command ids. The main frame raises them and routes them to the form
// first, so both know them; neither knows the other.

namespace orq {

inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_TRANSMIT = 57610;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_EDIT_REDO = 57644;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
// The program's own commands, numbered as a resource editor numbers new ones.
inline constexpr int ID_FILE_UNIT_HISTORY = 32771;
inline constexpr int ID_FILE_COMPARE = 32772;

}  // namespace orq
