#pragma once
// Sound cards: the list of audio devices and a full-duplex stream at 48000 Hz
// with a real-time callback. Two families implement it: real cards through
// PortAudio, and the virtual measurement rig served by the simulator over
// loopback. The measurement engine, the analyser and the automatic equaliser
// only see this interface.
//
// Threads: AudioSystem and AudioStream are used from one (control) thread.
// The callback runs on the stream's own thread. It must not allocate, lock,
// log or wait; it hands samples to other threads through lock-free buffers.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zef::audio {

inline constexpr int kSampleRate = 48000;

// One device as the lists show it.
struct DeviceInfo {
    std::string name;     // e.g. "ALSA: USB Audio CODEC" or "ZEF virtual rig (127.0.0.1:30400)"
    std::string hostApi;  // "ALSA", "JACK", "ASIO", "rig", ...
    std::vector<std::string> inputNames;   // one per input channel
    std::vector<std::string> outputNames;  // one per output channel
    bool usable = false;           // a stream at 48000 Hz could be opened
    bool hasControlPanel = false;  // OpenControlPanel does something
};

// The real-time callback. `in` holds frames x inputCount interleaved samples
// (full scale = 1.0), `out` receives frames x outputCount interleaved samples.
using Callback = std::function<void(const float* in, float* out, std::size_t frames)>;

// An open full-duplex stream on one device, using all of its channels.
class Stream {
public:
    virtual ~Stream() = default;

    // "" when the stream runs, else an error text for the user.
    virtual std::string Start() = 0;
    // Stops the stream; the callback is not called any more when this returns.
    virtual void Stop() = 0;
    // True while the callback is being called.
    virtual bool IsActive() const = 0;
    // Why the stream stopped by itself (device removed, rig gone), "" if not.
    virtual std::string Error() const = 0;
    // Buffer under- and overruns counted since the stream opened.
    virtual std::uint64_t Xruns() const = 0;
    virtual int InputCount() const = 0;
    virtual int OutputCount() const = 0;
};

// The devices of one backend (or of several, merged in list order).
class System {
public:
    virtual ~System() = default;

    // Re-reads the device list. Never fails: no devices is an empty list.
    virtual std::vector<DeviceInfo> Devices() = 0;

    // Opens `device` (an index into the last Devices() list) at 48000 Hz with
    // all its input and output channels. nullptr with `error` set to a text
    // for the user when the device is not there or cannot be opened.
    virtual std::unique_ptr<Stream> Open(int device, Callback callback, std::string& error) = 0;

    // Opens the driver's own settings panel, where the backend has one.
    virtual void OpenControlPanel(int device) = 0;
};

// The channel counts of an open stream: the strides of the callback's
// interleaved buffers.
struct StreamChannels {
    std::size_t inputs = 0;
    std::size_t outputs = 0;
};

// Opens `device` of `system` with `callback` into `stream` and notes its
// channel counts in `channels`. "" when it is open, else a text for the user.
std::string OpenStream(System& system, int device, Callback callback, std::unique_ptr<Stream>& stream,
                       StreamChannels& channels);

// "" when channel `index` (0-based) is one of the `count` channels of kind
// `what` ("input", "output"), else the text telling the user the card has no
// such channel.
std::string ChannelError(const char* what, int index, std::size_t count);

}  // namespace zef::audio
