// .prp project files and the device-list file tmpPrj.plt (one format). An
// accepted file saves back to bytes that load to the same model; a rejected
// one leaves the model as it was.

#include "files/project_file.h"
#include "fuzz_check.h"

namespace {

std::vector<std::uint8_t> Snapshot(const zef::Model& model) {
    const auto bytes = zef::EncodeProject(zef::CaptureProject(model));
    FUZZ_CHECK(bytes.has_value());
    return *bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zef::Model model;
    const std::vector<std::uint8_t> before = Snapshot(model);

    const zef::ProjectReadResult file = zef::DecodeProject(FuzzBytes(data, size));
    if (!file.status.ok) {
        FUZZ_CHECK(file.status.errorCode != 0);
        FUZZ_CHECK(Snapshot(model) == before);
        return 0;
    }
    for (std::size_t i = 0; i < file.image.entries.size(); ++i)
        FUZZ_CHECK(file.image.entries[i].inList == file.image.blocks[i].has_value());
    zef::ApplyProject(file.image, model);
    const auto saved = zef::EncodeProject(zef::CaptureProject(model));
    if (!saved) return 0;  // a text too long to be written again: refused on save, not on load
    const zef::ProjectReadResult again = zef::DecodeProject(*saved);
    FUZZ_CHECK(again.status.ok);
    zef::Model reloaded;
    zef::ApplyProject(again.image, reloaded);
    FUZZ_CHECK(Snapshot(reloaded) == *saved);
    return 0;
}
