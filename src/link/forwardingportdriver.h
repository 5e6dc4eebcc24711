// A driver that hands every operation to another one: the base of drivers that change or
// watch a few of them.
#pragma once

#include "link/portdriver.h"

class ForwardingPortDriver : public PortDriver {
public:
    // `inner` must outlive this driver.
    explicit ForwardingPortDriver(PortDriver& inner) : inner_(inner) {}

    PortHandle Open(std::string_view portName) override { return inner_.Open(portName); }
    OpenFailure LastOpenFailure() const override { return inner_.LastOpenFailure(); }
    bool Purge(PortHandle port, PurgeQueue queue) override { return inner_.Purge(port, queue); }
    bool GetLineSettings(PortHandle port, LineSettings& settings) override {
        return inner_.GetLineSettings(port, settings);
    }
    bool SetLineSettings(PortHandle port, const LineSettings& settings) override {
        return inner_.SetLineSettings(port, settings);
    }
    bool SetTimeouts(PortHandle port, const PortTimeouts& timeouts) override {
        return inner_.SetTimeouts(port, timeouts);
    }
    bool EscapeFunction(PortHandle port, ModemControl function) override {
        return inner_.EscapeFunction(port, function);
    }
    ByteRead ReadByte(PortHandle port) override { return inner_.ReadByte(port); }
    bool Write(PortHandle port, std::string_view bytes, std::uint32_t& written) override {
        return inner_.Write(port, bytes, written);
    }
    void Close(PortHandle port) override { inner_.Close(port); }

protected:
    PortDriver& Inner() { return inner_; }

private:
    PortDriver& inner_;
};
