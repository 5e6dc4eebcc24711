// Tests of the Telnet layer of network ports against hand-written wire bytes.
#include "link/comportoption.h"
#include "link/telnetcodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

struct DecodeCase {
    const char* Behaviour;
    bool Started; // this side opened the negotiation first
    std::vector<std::string> Pieces;
    std::string Data;
    std::string Answers;
    TelnetCodec::Agreement ComPort;
};

class TelnetDecoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(TelnetDecoding, YieldsTheDataAndTheAnswers) {
    const DecodeCase& row = GetParam();
    TelnetCodec codec;
    if (row.Started) {
        EXPECT_EQ(codec.Start(), "\xFF\xFB\x00\xFF\xFD\x00\xFF\xFB\x03\xFF\xFD\x03\xFF\xFB\x2C"s);
    }
    std::string data;
    for (const std::string& piece : row.Pieces)
        codec.Decode(piece, data);
    EXPECT_EQ(data, row.Data);
    EXPECT_EQ(codec.TakeAnswers(), row.Answers);
    EXPECT_EQ(codec.TakeAnswers(), "") << "answers are taken once";
    EXPECT_EQ(codec.ComPort(), row.ComPort);
}

// What ser2net 4 sends on a new connection: WILL and DO SUPPRESS-GO-AHEAD, WILL ECHO,
// DONT ECHO, DO and WILL BINARY, DO COM-PORT-OPTION, then two XON from the unit.
const std::string Ser2netOpening =
    "\xFF\xFB\x03\xFF\xFD\x03\xFF\xFB\x01\xFF\xFE\x01\xFF\xFD\x00\xFF\xFB\x00\xFF\xFD\x2C\x11\x11"s;

std::vector<std::string> ByteByByte(const std::string& wire) {
    std::vector<std::string> pieces;
    for (char c : wire)
        pieces.emplace_back(1, c);
    return pieces;
}

using Agreement = TelnetCodec::Agreement;

INSTANTIATE_TEST_SUITE_P(
    Wire, TelnetDecoding,
    ::testing::Values(
        DecodeCase{
            "PlainBytesPass", false, {"AB\x11\x13\x06"}, "AB\x11\x13\x06", "", Agreement::Pending},
        DecodeCase{
            "DoubledIacIsOneDataByte", false, {"\xFF\xFF"s}, "\xFF"s, "", Agreement::Pending},
        DecodeCase{"DoubledIacSplitAcrossReads",
                   false,
                   {"A\xFF"s, "\xFF"
                              "B"s},
                   "A\xFF"
                   "B"s,
                   "",
                   Agreement::Pending},
        DecodeCase{"Ser2netOpeningOnlyEchoIsRefused",
                   true,
                   {Ser2netOpening},
                   "\x11\x11",
                   "\xFF\xFE\x01"s,
                   Agreement::Agreed},
        DecodeCase{"Ser2netOpeningByteByByte", true, ByteByByte(Ser2netOpening), "\x11\x11",
                   "\xFF\xFE\x01"s, Agreement::Agreed},
        DecodeCase{"UnaskedDoOfOurOptionsIsAgreed",
                   false,
                   {"\xFF\xFD\x00\xFF\xFD\x2C"s},
                   "",
                   "\xFF\xFB\x00\xFF\xFB\x2C"s,
                   Agreement::Agreed},
        DecodeCase{"UnaskedWillOfBinaryIsAgreed",
                   false,
                   {"\xFF\xFB\x00"s},
                   "",
                   "\xFF\xFD\x00"s,
                   Agreement::Pending},
        DecodeCase{"OtherOptionsAreRefused",
                   false,
                   {"\xFF\xFD\x18\xFF\xFB\x1F\xFF\xFB\x2C"s},
                   "",
                   "\xFF\xFC\x18\xFF\xFE\x1F\xFF\xFE\x2C"s,
                   Agreement::Pending},
        DecodeCase{"RepeatedAgreementIsNotAnsweredAgain",
                   false,
                   {"\xFF\xFD\x03"s, "\xFF\xFD\x03"s},
                   "",
                   "\xFF\xFB\x03"s,
                   Agreement::Pending},
        DecodeCase{"WithdrawnOptionIsAcknowledged",
                   true,
                   {"\xFF\xFB\x00"s, "x", "\xFF\xFC\x00"s},
                   "x",
                   "\xFF\xFE\x00"s,
                   Agreement::Pending},
        DecodeCase{"RefusedComPort", true, {"\xFF\xFE\x2C"s}, "", "", Agreement::Refused},
        DecodeCase{"ComPortReplySplitAcrossReads",
                   false,
                   {"\xFF\xFA\x2C\x65\x00"s, "\x01\xC2\x00\xFF"s,
                    "\xF0"
                    "A"s},
                   "A",
                   "",
                   Agreement::Pending},
        DecodeCase{"DoubledIacInsideASubnegotiationIsNoEnd",
                   false,
                   {"\xFF\xFA\x2C\x65\x00\xFF\xFF\x00\x00\xFF\xF0"
                    "B"s},
                   "B",
                   "",
                   Agreement::Pending},
        DecodeCase{"SignatureRequestIsAnswered",
                   false,
                   {"\xFF\xFA\x2C\x64\xFF\xF0"s},
                   "",
                   "\xFF\xFA\x2C\x00RIVAN control\xFF\xF0"s,
                   Agreement::Pending},
        DecodeCase{"NopGoAheadAndDataMarkAreDropped",
                   false,
                   {"a\xFF\xF1"
                    "b\xFF\xF9\xFF\xF2"
                    "c"s},
                   "abc",
                   "",
                   Agreement::Pending},
        DecodeCase{"UnendedSubnegotiationEndsAtTheNextCommand",
                   false,
                   {"\xFF\xFA\x2C\x65\x01\xFF\xFB\x01"
                    "d"s},
                   "d",
                   "\xFF\xFE\x01"s,
                   Agreement::Pending}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

TEST(TelnetComPortReplies, AreKeptUnescapedInTheOrderTheyCame) {
    TelnetCodec codec;
    std::string data;
    codec.Decode("\xFF\xFA\x2C\x65\x00\x01\xC2\x00\xFF\xF0\xFF\xFA\x2C\x66\x08\xFF\xF0"s, data);
    codec.Decode("\xFF\xFA\x2C\x65\x00\xFF"s, data);
    codec.Decode("\xFF\x00\x00\xFF\xF0"s, data);
    const std::vector<TelnetCodec::ComPortReply> replies = codec.TakeComPortReplies();
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[0].Command, 101);
    EXPECT_EQ(replies[0].Value, "\x00\x01\xC2\x00"s);
    EXPECT_EQ(replies[1].Command, 102);
    EXPECT_EQ(replies[1].Value, "\x08");
    EXPECT_EQ(replies[2].Value, "\x00\xFF\x00\x00"s);
    EXPECT_TRUE(codec.TakeComPortReplies().empty());
    EXPECT_EQ(data, "");
}

TEST(TelnetComPortReplies, AFloodKeepsOnlyTheNewest) {
    TelnetCodec codec;
    std::string data;
    for (int i = 0; i < 40; ++i)
        codec.Decode("\xFF\xFA\x2C\x66"s + static_cast<char>(i) + "\xFF\xF0"s, data);
    const auto replies = codec.TakeComPortReplies();
    ASSERT_EQ(replies.size(), TelnetCodec::ReplyLimit);
    EXPECT_EQ(replies.front().Value, std::string(1, static_cast<char>(40 - 32)));
    EXPECT_EQ(replies.back().Value, std::string(1, static_cast<char>(39)));
}

struct EncodeCase {
    const char* Behaviour;
    std::string Data;
    std::string Wire;
};

class TelnetEncoding : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(TelnetEncoding, DoublesIacAndDecodesBack) {
    const EncodeCase& row = GetParam();
    EXPECT_EQ(TelnetCodec::Encode(row.Data), row.Wire);
    TelnetCodec codec;
    std::string data;
    codec.Decode(row.Wire, data);
    EXPECT_EQ(data, row.Data);
}

INSTANTIATE_TEST_SUITE_P(Wire, TelnetEncoding,
                         ::testing::Values(EncodeCase{"CommandLinePassesAsItIs", "*?NAM\r\n",
                                                      "*?NAM\r\n"},
                                           EncodeCase{"LoneIacIsDoubled", "\xFF"s, "\xFF\xFF"s},
                                           EncodeCase{"IacBetweenBytes",
                                                      "A\xFF\xFF"
                                                      "B"s,
                                                      "A\xFF\xFF\xFF\xFF"
                                                      "B"s},
                                           EncodeCase{"OtherCommandBytesAreData",
                                                      "\xF0\xFA\xFB\x00"s, "\xF0\xFA\xFB\x00"s}),
                         [](const auto& info) { return std::string(info.param.Behaviour); });

struct CommandCase {
    const char* Behaviour;
    std::string Command;
    std::string Wire;
};

class ComPortCommands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(ComPortCommands, HaveTheirWireBytes) {
    EXPECT_EQ(GetParam().Command, GetParam().Wire);
}

INSTANTIATE_TEST_SUITE_P(
    Wire, ComPortCommands,
    ::testing::Values(
        CommandCase{"BaudRate115200", ComPort::BaudRateCommand(115200),
                    "\xFF\xFA\x2C\x01\x00\x01\xC2\x00\xFF\xF0"s},
        CommandCase{"BaudRateWithAnIacByteIsEscaped", ComPort::BaudRateCommand(0x00FF0000),
                    "\xFF\xFA\x2C\x01\x00\xFF\xFF\x00\x00\xFF\xF0"s},
        CommandCase{"EightDataBits", ComPort::Command(ComPort::SetDataSize, std::uint8_t{8}),
                    "\xFF\xFA\x2C\x02\x08\xFF\xF0"s},
        CommandCase{"NoParity", ComPort::Command(ComPort::SetParity, ComPort::ParityNone),
                    "\xFF\xFA\x2C\x03\x01\xFF\xF0"s},
        CommandCase{"OneStopBit", ComPort::Command(ComPort::SetStopSize, ComPort::StopOne),
                    "\xFF\xFA\x2C\x04\x01\xFF\xF0"s},
        CommandCase{"DtrOn", ComPort::Command(ComPort::SetControl, ComPort::DtrOn),
                    "\xFF\xFA\x2C\x05\x08\xFF\xF0"s},
        CommandCase{"DtrOff", ComPort::Command(ComPort::SetControl, ComPort::DtrOff),
                    "\xFF\xFA\x2C\x05\x09\xFF\xF0"s},
        CommandCase{"RtsOn", ComPort::Command(ComPort::SetControl, ComPort::RtsOn),
                    "\xFF\xFA\x2C\x05\x0B\xFF\xF0"s},
        CommandCase{"RtsOff", ComPort::Command(ComPort::SetControl, ComPort::RtsOff),
                    "\xFF\xFA\x2C\x05\x0C\xFF\xF0"s},
        CommandCase{"PurgeReceiveBuffer",
                    ComPort::Command(ComPort::PurgeData, ComPort::PurgeReceive),
                    "\xFF\xFA\x2C\x0C\x01\xFF\xF0"s}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

} // namespace
