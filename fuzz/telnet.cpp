// Fuzz target for the Telnet layer of a network port. The input is a script: data pieces,
// which the server sends escaped as the encoder escapes them, and the server's negotiation
// commands, subnegotiations and other commands between them; the last bytes say where the
// wire is cut into reads. Whatever the cuts, the data bytes decoded are the data bytes sent,
// and every answer, once the server acknowledges it, brings no further answer.
#include "fuzzcheck.h"
#include "link/telnetcodec.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace Telnet;

constexpr std::size_t AnswerLength = 3; // IAC, verb, option

// Reads the input byte by byte; past its end, zeros.
class Input {
public:
    Input(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    bool Done() const { return next_ >= size_; }
    std::uint8_t Byte() { return next_ < size_ ? bytes_[next_++] : 0; }
    std::string_view Take(std::size_t count) {
        const std::size_t n = count < size_ - next_ ? count : size_ - next_;
        const std::string_view taken(reinterpret_cast<const char*>(bytes_ + next_), n);
        next_ += n;
        return taken;
    }

private:
    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t next_ = 0;
};

// The server's wire, made of pieces; negotiation commands are kept apart too.
struct ServerWire {
    std::string Wire;
    std::string Data;                 // the data bytes in it
    std::vector<std::string> Pieces;  // the wire, one piece per step of the script
    std::vector<bool> IsNegotiation;  // the piece is one IAC verb option
    std::size_t NegotiationCount = 0; // WILL, WONT, DO or DONT commands
    std::size_t SubnegotiationCount = 0;

    void Add(std::string piece, bool negotiation) {
        Wire += piece;
        Pieces.push_back(std::move(piece));
        IsNegotiation.push_back(negotiation);
    }
};

std::string Triple(std::uint8_t verb, std::uint8_t option) {
    return {static_cast<char>(IAC), static_cast<char>(verb), static_cast<char>(option)};
}

ServerWire MakeWire(Input& input) {
    static constexpr std::uint8_t Verbs[] = {WILL, WONT, DO, DONT};
    static constexpr std::uint8_t Options[] = {
        BinaryOption, SuppressGoAheadOption, ComPortOption, 1, 24, 31};
    ServerWire server;
    const std::size_t steps = input.Byte() % 32;
    for (std::size_t step = 0; step < steps && !input.Done(); ++step) {
        const std::uint8_t kind = input.Byte();
        switch (kind % 5) {
        case 0:
        case 1: { // data, 0xFF included
            const std::string_view data = input.Take(input.Byte() % 64);
            server.Data += data;
            server.Add(TelnetCodec::Encode(data), false);
            break;
        }
        case 2: { // a negotiation command
            const std::uint8_t verb = Verbs[(kind >> 3) % 4];
            const std::uint8_t which = input.Byte();
            const std::uint8_t option = which < 128 ? Options[which % 6] : which;
            server.Add(Triple(verb, option), true);
            ++server.NegotiationCount;
            break;
        }
        case 3: { // a subnegotiation, its value escaped as data is
            std::string piece{static_cast<char>(IAC), static_cast<char>(SB)};
            const char option = static_cast<char>((kind & 0x80) ? ComPortOption : input.Byte());
            piece += TelnetCodec::Encode(std::string_view(&option, 1));
            piece += TelnetCodec::Encode(input.Take(input.Byte() % 80));
            piece += static_cast<char>(IAC);
            piece += static_cast<char>(SE);
            server.Add(std::move(piece), false);
            ++server.SubnegotiationCount;
            break;
        }
        default: { // a command without an option: NOP, DATA-MARK, BREAK ... GO-AHEAD
            const auto command = static_cast<std::uint8_t>(0xF1 + (kind >> 3) % 9);
            server.Add({static_cast<char>(IAC), static_cast<char>(command)}, false);
            break;
        }
        }
    }
    return server;
}

// The server's acknowledgement of an answer: agreement for agreement, refusal for refusal.
std::uint8_t Acknowledgement(std::uint8_t verb) {
    switch (verb) {
    case WILL:
        return DO;
    case WONT:
        return DONT;
    case DO:
        return WILL;
    default:
        return WONT;
    }
}

void CheckAnswersAreWhole(const std::string& answers) {
    Require(answers.empty() || static_cast<std::uint8_t>(answers[0]) == IAC,
            "an answer starts with IAC");
}

// Each negotiation command alone, each answer acknowledged at once: the acknowledgement
// brings no answer, and no command brings more than one.
void CheckNoLoops(const ServerWire& server) {
    TelnetCodec codec;
    codec.Start();
    std::string data;
    for (std::size_t i = 0; i < server.Pieces.size(); ++i) {
        codec.Decode(server.Pieces[i], data);
        const std::string answers = codec.TakeAnswers();
        if (!server.IsNegotiation[i]) {
            continue;
        }
        Require(answers.empty() || answers.size() == AnswerLength,
                "a negotiation command brings at most one answer");
        if (answers.empty()) {
            continue;
        }
        const auto verb = static_cast<std::uint8_t>(answers[1]);
        const auto option = static_cast<std::uint8_t>(answers[2]);
        Require(static_cast<std::uint8_t>(answers[0]) == IAC && verb >= WILL && verb <= DONT,
                "an answer is IAC and a verb");
        Require(option == static_cast<std::uint8_t>(server.Pieces[i][2]),
                "an answer is about the option asked about");
        codec.Decode(Triple(Acknowledgement(verb), option), data);
        Require(codec.TakeAnswers().empty(), "an acknowledged answer is not answered again");
    }
    Require(data == server.Data, "data bytes out equal data bytes in");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    Input input(bytes, size);
    const ServerWire server = MakeWire(input);

    // The wire cut into reads of the sizes the rest of the input gives.
    TelnetCodec codec;
    const std::string opening = codec.Start();
    Require(opening.size() % AnswerLength == 0, "the opening is whole commands");
    std::string data;
    std::string answers;
    std::size_t subnegotiationReplies = 0;
    for (std::size_t at = 0; at < server.Wire.size();) {
        const std::size_t cut = input.Done() ? server.Wire.size() - at : 1 + input.Byte() % 16;
        codec.Decode(std::string_view(server.Wire).substr(at, cut), data);
        at += cut;
        if (input.Byte() & 1) {
            answers += codec.TakeAnswers();
            subnegotiationReplies += codec.TakeComPortReplies().size();
        }
    }
    answers += codec.TakeAnswers();
    const std::vector<TelnetCodec::ComPortReply> replies = codec.TakeComPortReplies();
    subnegotiationReplies += replies.size();

    Require(data == server.Data, "data bytes out equal data bytes in");
    CheckAnswersAreWhole(answers);
    // At most one answer per command, and a signature per subnegotiation.
    Require(answers.size() <= AnswerLength * server.NegotiationCount +
                                  server.SubnegotiationCount * (4 + 2 + 13 + 2),
            "no more answers than the server's commands call for");
    Require(subnegotiationReplies <= server.SubnegotiationCount, "a reply per subnegotiation");
    Require(replies.size() <= TelnetCodec::ReplyLimit, "replies are kept within their limit");
    for (const TelnetCodec::ComPortReply& reply : replies) {
        Require(reply.Value.size() + 2 <= TelnetCodec::SubnegotiationLimit,
                "a subnegotiation is cut to its limit");
    }
    Require(codec.TakeAnswers().empty() && codec.TakeComPortReplies().empty(), "taking empties");
    CheckNoLoops(server);
    return 0;
}
