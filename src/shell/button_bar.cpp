#include "shell/button_bar.h"

#include "shell/engine.h"

namespace textreel {

bool ButtonBarClick(Engine&, int, int) {
    return false;
}

void ButtonBarHover(Engine&, int, int) {}

}  // namespace textreel
