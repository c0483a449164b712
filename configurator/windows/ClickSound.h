#pragma once

// Plays the embedded click sound "KLIK" synchronously. Without a sound device: silence, no error.
void PlayClickSound();
