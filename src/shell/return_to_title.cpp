#include "shell/return_to_title.h"

#include "shell/engine.h"

namespace textreel {

void ReturnToTitle(Engine& e) {
    // FIXME: a line that carries several wait codes still suspends at its later ones before the
    // restart is seen; the restart is to go to the first line at once.
    e.Restart();
}

}  // namespace textreel
