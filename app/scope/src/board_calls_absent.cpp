// Board calls for a build without the board library: every call meets an
// empty bus (no board recognised, no capture ever ends, nothing read).
#include "orva/scope/board_calls.h"

namespace orva::scope {

std::unique_ptr<BoardCalls> MakeLibraryBoardCalls() { return MakeEmptyBusBoardCalls(); }

}  // namespace orva::scope
