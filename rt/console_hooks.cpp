// The process-wide console hook table. Static storage makes every slot null at
// program start; screen set-up fills it and close_screen empties it again.

#include "rt/console_hooks.h"

namespace vz {

ConsoleHooks& console_hooks() {
    static ConsoleHooks hooks{};
    return hooks;
}

}  // namespace vz
