#include "files/eq_target.h"

namespace zef {

void WriteEqTargetRecord(ByteWriter& w, const EqTargetRecord& record) {
    w.i16(record.leading);
    for (std::int16_t v : record.sectionCode) w.i16(v);
    for (double v : record.frequency) w.f64(v);
    for (double v : record.q) w.f64(v);
    for (double v : record.gainDb) w.f64(v);
    w.i16(record.flag);
}

EqTargetRecord ReadEqTargetRecord(ByteReader& r) {
    EqTargetRecord record;
    record.leading = r.i16();
    for (std::int16_t& v : record.sectionCode) v = r.i16();
    for (double& v : record.frequency) v = r.f64();
    for (double& v : record.q) v = r.f64();
    for (double& v : record.gainDb) v = r.f64();
    record.flag = r.i16();
    return record;
}

std::vector<std::uint8_t> EncodeEqTarget(const EqTargetRecord& record) {
    ByteWriter w;
    WriteEqTargetRecord(w, record);
    return w.data();
}

std::optional<EqTargetRecord> DecodeEqTarget(std::span<const std::uint8_t> bytes) {
    ByteReader r(bytes);
    const EqTargetRecord record = ReadEqTargetRecord(r);
    if (!r.ok()) return std::nullopt;
    return record;
}

}  // namespace zef
