// The pause: while paused, a hidden sequence of ten presses refills HP.
#pragma once

extern int g_nPauseCode;  // correct presses of the sequence so far

void UpdatePause();
