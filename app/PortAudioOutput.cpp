// Sound card output through PortAudio's blocking stream interface, and the output factory.
#include <cstdlib>
#include <memory>
#include <string>

#include "app/AppError.h"
#include "app/AudioOutput.h"
#include "app/NullOutput.h"

#ifdef HALVANE_HAVE_PORTAUDIO
#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

namespace {

// Probing the sound system makes ALSA and JACK print pages of complaints on machines without
// a card; our own one-line error says what matters. Silences stderr for its lifetime.
class QuietStderr {
public:
    QuietStderr() : saved_(dup(STDERR_FILENO)) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDERR_FILENO);
            close(null);
        }
    }
    ~QuietStderr() {
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_;
};

// PortAudio's library state: initialised while any output exists.
class PaLibrary {
public:
    PaLibrary() {
        const PaError e = Pa_Initialize();
        if (e != paNoError) throw Failure(std::string("PortAudio: ") + Pa_GetErrorText(e));
    }
    ~PaLibrary() { Pa_Terminate(); }
    PaLibrary(const PaLibrary&) = delete;
    PaLibrary& operator=(const PaLibrary&) = delete;
};

class PortAudioOutput final : public AudioOutput {
public:
    PortAudioOutput(std::unique_ptr<PaLibrary> lib, PaDeviceIndex device)
        : lib_(std::move(lib)), device_(device) {}
    ~PortAudioOutput() override { CloseStream(false); }

    void Open(unsigned channels, uint32_t rate) override {
        CloseStream(true);
        const PaDeviceInfo* info = Pa_GetDeviceInfo(device_);
        PaStreamParameters out{};
        out.device = device_;
        out.channelCount = int(channels);
        out.sampleFormat = paFloat32;
        out.suggestedLatency = info ? info->defaultHighOutputLatency : 0.1;
        const PaError e = Pa_OpenStream(&stream_, nullptr, &out, double(rate), paFramesPerBufferUnspecified,
                                        paNoFlag, nullptr, nullptr);
        if (e != paNoError) {
            stream_ = nullptr;
            throw Failure("output '" + Name() + "' cannot play " + std::to_string(channels) + " channels at " +
                          std::to_string(rate) + " Hz: " + Pa_GetErrorText(e));
        }
        channels_ = channels;
        Start();
    }

    void Write(const float* samples, uint64_t frames) override {
        if (!stream_) throw Failure("output written before it was opened");
        while (frames > 0) {
            const unsigned long n = frames > 65536 ? 65536ul : static_cast<unsigned long>(frames);
            const PaError e = Pa_WriteStream(stream_, samples, n);
            // An underflow (the card ran dry) is heard as a gap, not an error worth stopping for.
            if (e != paNoError && e != paOutputUnderflowed)
                throw Failure(std::string("output '") + Name() + "': " + Pa_GetErrorText(e));
            samples += n * channels_;
            frames -= n;
        }
    }

    void SetPaused(bool paused) override {
        if (!stream_) return;
        if (paused) Pa_AbortStream(stream_);  // silence now, not after the buffer plays out
        else Start();
    }

    void Close() override { CloseStream(true); }

    std::string Name() const override {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(device_);
        return info && info->name ? info->name : "device " + std::to_string(device_);
    }

private:
    void Start() {
        if (Pa_IsStreamStopped(stream_) == 1) Pa_StartStream(stream_);
    }
    void CloseStream(bool drain) {
        if (!stream_) return;
        if (drain) Pa_StopStream(stream_);
        else Pa_AbortStream(stream_);
        Pa_CloseStream(stream_);
        stream_ = nullptr;
    }

    std::unique_ptr<PaLibrary> lib_;
    PaDeviceIndex device_;
    PaStream* stream_ = nullptr;
    unsigned channels_ = 0;
};

PaDeviceIndex FindDevice(const std::string& device) {
    if (device.empty() || device == "default") return Pa_GetDefaultOutputDevice();
    char* end = nullptr;
    const long index = std::strtol(device.c_str(), &end, 10);
    if (end && *end == '\0' && index >= 0 && index < Pa_GetDeviceCount()) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(PaDeviceIndex(index));
        return info && info->maxOutputChannels > 0 ? PaDeviceIndex(index) : paNoDevice;
    }
    for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info && info->maxOutputChannels > 0 && info->name && std::string(info->name).find(device) != std::string::npos)
            return i;
    }
    return paNoDevice;
}

}  // namespace

std::unique_ptr<AudioOutput> OpenAudioOutput(const std::string& device) {
    if (device == "null") return std::make_unique<NullOutput>();
    std::unique_ptr<PaLibrary> lib;
    PaDeviceIndex index = paNoDevice;
    {
        QuietStderr quiet;
        lib = std::make_unique<PaLibrary>();
        index = FindDevice(device);
    }
    if (index == paNoDevice)
        throw Failure("no sound output '" + (device.empty() ? std::string("default") : device) +
                      "' (use --output null to play without a sound card)");
    return std::make_unique<PortAudioOutput>(std::move(lib), index);
}

#else  // built without PortAudio

std::unique_ptr<AudioOutput> OpenAudioOutput(const std::string& device) {
    if (device == "null") return std::make_unique<NullOutput>();
    throw Failure("this build has no sound card output (PortAudio); use --output null");
}

#endif
