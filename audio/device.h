// The audio device: opened at start-up, running the mixer's callback, closed at shutdown.
#pragma once

// Start-up, main thread, after StartAudio: opens the device for 44100 Hz 16-bit stereo in
// buffers of 2048 frames, paused, calling AudioCallback. If it cannot be opened and
// silentWithout is false, prints one line naming the cause to standard error, stops the sample
// loader, quits SDL and ends the process with status 1. With silentWithout, it opens SDL's
// "dummy" driver instead, which runs the callback at the device's pace and plays nothing, and
// returns true; it ends the game as above only when even that fails. Returns false when a real
// device opened.
bool OpenAudioDevice(bool silentWithout = false);

// Start-up, main thread, the last audio call of start-up: the callback starts running.
void ResumeAudioDevice();

// Shutdown, main thread, before ReleaseAudio: stops the callback and closes the device.
void CloseAudioDevice();
