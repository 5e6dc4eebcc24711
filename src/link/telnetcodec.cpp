// The Telnet layer of a network serial port.
#include "link/telnetcodec.h"

#include "link/comportoption.h"

namespace {

using namespace Telnet;

bool WeSpeak(std::uint8_t option) {
    return option == BinaryOption || option == SuppressGoAheadOption || option == ComPortOption;
}

// The server performing COM-PORT-OPTION would make no sense: it is the client's option.
bool ServerMaySpeak(std::uint8_t option) {
    return option == BinaryOption || option == SuppressGoAheadOption;
}

// Some identification for a server that asks who is talking to it.
constexpr std::string_view Signature = "RIVAN control";

} // namespace

std::string TelnetCodec::Start() {
    std::string wire;
    auto ask = [&](std::uint8_t verb, std::uint8_t option) {
        OptionState& state = verb == WILL ? local_[option] : remote_[option];
        if (state.Enabled)
            return;
        state.Asked = true;
        wire += static_cast<char>(IAC);
        wire += static_cast<char>(verb);
        wire += static_cast<char>(option);
    };
    ask(WILL, BinaryOption);
    ask(DO, BinaryOption);
    ask(WILL, SuppressGoAheadOption);
    ask(DO, SuppressGoAheadOption);
    ask(WILL, ComPortOption);
    return wire;
}

void TelnetCodec::Decode(std::string_view wire, std::string& data) {
    for (char c : wire) {
        const auto byte = static_cast<std::uint8_t>(c);
        switch (state_) {
        case State::Data:
            if (byte == IAC)
                state_ = State::Command;
            else
                data += c;
            break;
        case State::Command:
            Command(byte, data);
            break;
        case State::Option:
            Negotiate(verb_, byte);
            state_ = State::Data;
            break;
        case State::Subnegotiation:
            if (byte == IAC)
                state_ = State::SubnegotiationCommand;
            else if (subnegotiation_.size() < SubnegotiationLimit)
                subnegotiation_ += c;
            break;
        case State::SubnegotiationCommand:
            if (byte == IAC) {
                if (subnegotiation_.size() < SubnegotiationLimit)
                    subnegotiation_ += c;
                state_ = State::Subnegotiation;
                break;
            }
            if (byte == SE) {
                EndSubnegotiation();
                state_ = State::Data;
                break;
            }
            // A server that forgets to end its subnegotiation: what it has said so far
            // stands, and the byte is a command of its own.
            EndSubnegotiation();
            Command(byte, data);
            break;
        }
    }
}

void TelnetCodec::Command(std::uint8_t byte, std::string& data) {
    state_ = State::Data;
    switch (byte) {
    case IAC:
        data += static_cast<char>(IAC);
        break;
    case WILL:
    case WONT:
    case DO:
    case DONT:
        verb_ = byte;
        state_ = State::Option;
        break;
    case SB:
        subnegotiation_.clear();
        state_ = State::Subnegotiation;
        break;
    default:
        // NOP, GO-AHEAD, DATA-MARK, BREAK and the rest mean nothing on a serial line.
        break;
    }
}

void TelnetCodec::Negotiate(std::uint8_t verb, std::uint8_t option) {
    const bool aboutServer = verb == WILL || verb == WONT;
    const bool enable = verb == WILL || verb == DO;
    OptionState& state = aboutServer ? remote_[option] : local_[option];
    const bool supported = aboutServer ? ServerMaySpeak(option) : WeSpeak(option);
    // Answers only change of state, so two sides that agree never loop.
    if (enable) {
        if (!supported) {
            Answer(aboutServer ? DONT : WONT, option);
            return;
        }
        if (state.Enabled)
            return;
        state.Enabled = true;
        state.Refused = false;
        if (state.Asked)
            state.Asked = false;
        else
            Answer(aboutServer ? DO : WILL, option);
        return;
    }
    if (state.Asked) {
        state.Asked = false;
        state.Refused = true;
        return;
    }
    if (!state.Enabled) {
        state.Refused = true;
        return;
    }
    state.Enabled = false;
    state.Refused = true;
    Answer(aboutServer ? DONT : WONT, option);
}

void TelnetCodec::EndSubnegotiation() {
    const std::string& body = subnegotiation_;
    if (body.size() < 2 || static_cast<std::uint8_t>(body[0]) != ComPortOption)
        return;
    ComPortReply reply{static_cast<std::uint8_t>(body[1]), body.substr(2)};
    if (reply.Command == ComPort::ServerReply(ComPort::Signature) && reply.Value.empty()) {
        // An empty signature asks for ours.
        answers_ += ComPort::Command(ComPort::Signature, Signature);
        return;
    }
    if (replies_.size() == ReplyLimit)
        replies_.erase(replies_.begin());
    replies_.push_back(std::move(reply));
}

void TelnetCodec::Answer(std::uint8_t verb, std::uint8_t option) {
    answers_ += static_cast<char>(IAC);
    answers_ += static_cast<char>(verb);
    answers_ += static_cast<char>(option);
}

std::string TelnetCodec::TakeAnswers() {
    std::string taken = std::move(answers_);
    answers_.clear();
    return taken;
}

std::vector<TelnetCodec::ComPortReply> TelnetCodec::TakeComPortReplies() {
    std::vector<ComPortReply> taken = std::move(replies_);
    replies_.clear();
    return taken;
}

TelnetCodec::Agreement TelnetCodec::ComPort() const {
    const OptionState& state = local_[ComPortOption];
    if (state.Enabled)
        return Agreement::Agreed;
    if (state.Refused)
        return Agreement::Refused;
    return Agreement::Pending;
}

std::string TelnetCodec::Encode(std::string_view data) {
    std::string wire;
    wire.reserve(data.size());
    for (char c : data) {
        wire += c;
        if (static_cast<std::uint8_t>(c) == IAC)
            wire += c;
    }
    return wire;
}
