// The audio device through SDL: the callback only forwards to the mixer.
#include "audio/device.h"

#include "audio/mixer.h"
#include "audio/sample_bank.h"
#include "platform/names.h"

#include <SDL.h>
#include <cstdio>
#include <cstdlib>

namespace
{
void ForwardToMixer(void*, Uint8* stream, int length)
{
    AudioCallback(stream, length);
}
} // namespace

void OpenAudioDevice()
{
    SDL_AudioSpec desired = {};
    desired.freq = SampleRate;
    desired.format = AUDIO_S16LSB;
    desired.channels = 2;
    desired.samples = 2048;
    desired.callback = ForwardToMixer;
    desired.userdata = nullptr;
    // No record for the obtained format: SDL then converts to whatever the hardware needs, so
    // the callback always gets the 16-bit stereo it writes. SDL_OpenAudio starts SDL's audio
    // subsystem itself when only the video one has been started.
    if (SDL_OpenAudio(&desired, nullptr) < 0)
    {
        std::fprintf(stderr, "%s: cannot open the audio device: %s\n", ProgramName, SDL_GetError());
        ReleaseAudio(); // the loader thread must be joined before the process may end
        SDL_Quit();
        std::exit(1);
    }
}

void ResumeAudioDevice()
{
    SDL_PauseAudio(0);
}

void CloseAudioDevice()
{
    SDL_PauseAudio(1);
    SDL_CloseAudio();
}
