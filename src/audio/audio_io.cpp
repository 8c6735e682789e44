#include "audio/audio_io.h"

#include <algorithm>

namespace zef::audio {

std::string OpenStream(System& system, int device, Callback callback, std::unique_ptr<Stream>& stream,
                       StreamChannels& channels) {
    std::string error;
    stream = system.Open(device, std::move(callback), error);
    if (!stream) return error.empty() ? "The sound card cannot be opened." : error;
    channels.inputs = static_cast<std::size_t>(std::max(stream->InputCount(), 0));
    channels.outputs = static_cast<std::size_t>(std::max(stream->OutputCount(), 0));
    return {};
}

std::string ChannelError(const char* what, int index, std::size_t count) {
    if (index >= 0 && static_cast<std::size_t>(index) < count) return {};
    return std::string("The sound card has no ") + what + " " + std::to_string(index + 1) + " (it has " +
           std::to_string(count) + ").";
}

}  // namespace zef::audio
