#pragma once
// An Exchange in front of a real one that changes requests on their way, the first `times`
// that `spoil` changes: the device takes and echoes what arrives, as after a bit error on
// the line before the device's receiver.

#include <functional>

#include "device/exchange.h"

namespace zef::test {

class SpoilingExchange final : public Exchange {
public:
    // Changes the request and returns true when it is one to spoil.
    using Spoil = std::function<bool(Request&)>;

    SpoilingExchange(Exchange& inner, int times, Spoil spoil) : inner_(inner), times_(times), spoil_(std::move(spoil)) {}
    ExchangeResult Transact(DeviceSlot slot, const Request& request, Reporting reporting) override {
        Request sent = request;
        if (spoilt < times_ && spoil_(sent)) ++spoilt;
        else sent = request;
        return inner_.Transact(slot, sent, reporting);
    }
    LinkState& link() override { return inner_.link(); }
    int spoilt = 0;

private:
    Exchange& inner_;
    int times_;
    Spoil spoil_;
};

}  // namespace zef::test
