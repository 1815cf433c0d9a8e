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

bool OpenAudioDevice(bool silentWithout)
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
    if (SDL_OpenAudio(&desired, nullptr) == 0)
    {
        return false;
    }
    char why[256];
    std::snprintf(why, sizeof why, "%s", SDL_GetError());
    if (silentWithout)
    {
        // The mixer still runs at its pace, so that everything the sound decides (and every
        // replay) goes as with a loudspeaker.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (SDL_OpenAudio(&desired, nullptr) == 0)
        {
            return true;
        }
    }
    std::fprintf(stderr, "%s: cannot open the audio device: %s\n", ProgramName, why);
    ReleaseAudio(); // the loader thread must be joined before the process may end
    SDL_Quit();
    std::exit(1);
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
