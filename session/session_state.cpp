#include "session/session_state.h"

namespace lb {

SessionState sessionState;

}  // namespace lb
