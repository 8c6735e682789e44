// UDP device announcements. An accepted datagram is 26 bytes with the marker
// and a valid checksum, and its fields are texts a list row can show.

#include "fuzz_check.h"
#include "protocol/announcement.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto a = zef::ParseAnnouncement(FuzzBytes(data, size));
    if (!a) return 0;
    FUZZ_CHECK(size == zef::kAnnouncementSize && data[0] == zef::kAnnouncementMarker);
    FUZZ_CHECK(a->uniqueId.size() == 12);
    for (const char c : a->uniqueId) FUZZ_CHECK((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
    FUZZ_CHECK(a->name.empty() || a->name.back() != ' ');
    return 0;
}
