// Secrets stay off the X primary selection. On X11 a text widget puts
// whatever the user selects with the mouse or the keyboard on the primary
// selection (the middle-button paste) at once, and nothing ever takes it
// off again; every other program may read it, unmarked and uncleared.
//
// A guarded widget still selects, copies through the secret clipboard and
// pastes as before, but a primary selection it makes is withdrawn in the same
// step, before any other program can ask for it: the selection is then empty,
// as after a program that owned it has quit.
#pragma once

class QWidget;

namespace primary_selection {

// Guards a line edit, or a text box (given as the box: its viewport, which
// takes the mouse, is watched too).
void Guard(QWidget* widget);

} // namespace primary_selection
