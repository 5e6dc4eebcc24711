// The unit's memory commands: reading a block and writing one.
#include "profile/memorycommands.h"

#include "profile/hexfields.h"

#include <cassert>

namespace MemoryCommands {

std::string Read(std::uint16_t address, int length) {
    assert(length >= 0 && length <= MaxReadLength && "a length has three hex digits");
    std::string command(ReadPrefix);
    HexFields::AppendHex(command, address, AddressDigits);
    HexFields::AppendHex(command, static_cast<std::uint32_t>(length), LengthDigits);
    return command;
}

std::string Write(std::uint16_t address, std::span<const std::uint8_t> bytes) {
    std::string command(WritePrefix);
    HexFields::AppendHex(command, address, AddressDigits);
    HexFields::AppendHexBytes(command, bytes);
    return command;
}

WrittenBlock DecodeWrite(std::string_view command) {
    WrittenBlock block;
    if (command.size() <= WritePrefix.size()) {
        return block;
    }
    const std::string_view afterPrefix = command.substr(WritePrefix.size());
    block.Address = static_cast<std::uint16_t>(
        HexFields::LeadingHexValue(afterPrefix.substr(0, AddressDigits)));
    if (afterPrefix.size() > AddressDigits) {
        block.Data = afterPrefix.substr(AddressDigits);
    }
    return block;
}

} // namespace MemoryCommands
