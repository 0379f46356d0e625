// The pause's hidden sequence.
#include "game/pause.h"

int g_nPauseCode = 0;

// Follows the hidden sequence while paused; still to come.
void UpdatePause() {}
