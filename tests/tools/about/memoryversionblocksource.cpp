// A version block held in memory for tests.
#include "memoryversionblocksource.h"

#include <algorithm>
#include <cassert>

void MemoryVersionBlockSource::AddBytes(const std::string& path, std::vector<std::byte> value) {
    assert(path.size() < 256 && value.size() < 256);
    values_.emplace_back(path, std::move(value));
}

void MemoryVersionBlockSource::AddString(const std::string& path, const std::string& text) {
    std::vector<std::byte> value;
    for (const char c : text)
        value.push_back(static_cast<std::byte>(c));
    value.push_back(std::byte{0});
    AddBytes(path, std::move(value));
}

void MemoryVersionBlockSource::AddTranslation(std::uint16_t language, std::uint16_t codePage) {
    AddBytes("\\VarFileInfo\\Translation",
             {static_cast<std::byte>(language & 0xFF), static_cast<std::byte>(language >> 8),
              static_cast<std::byte>(codePage & 0xFF), static_cast<std::byte>(codePage >> 8)});
}

std::vector<std::byte> MemoryVersionBlockSource::Block() const {
    std::vector<std::byte> block;
    for (const auto& [path, value] : values_) {
        block.push_back(static_cast<std::byte>(path.size()));
        for (const char c : path)
            block.push_back(static_cast<std::byte>(c));
        block.push_back(static_cast<std::byte>(value.size()));
        block.insert(block.end(), value.begin(), value.end());
    }
    return block;
}

std::uint32_t MemoryVersionBlockSource::InfoSize(const std::string& fileName) {
    FileNames.push_back(fileName);
    return static_cast<std::uint32_t>(Block().size());
}

bool MemoryVersionBlockSource::ReadInfo(const std::string&, std::span<std::byte> block) {
    if (FailRead)
        return false;
    const std::vector<std::byte> bytes = Block();
    if (bytes.size() != block.size())
        return false;
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return true;
}

std::optional<std::span<std::byte>> MemoryVersionBlockSource::Query(std::span<std::byte> block,
                                                                    const std::string& subBlock) {
    Queries.push_back(subBlock);
    std::size_t at = 0;
    while (at < block.size()) {
        const std::size_t pathLength = static_cast<std::size_t>(block[at]);
        const std::string path(reinterpret_cast<const char*>(block.data() + at + 1), pathLength);
        at += 1 + pathLength;
        const std::size_t valueLength = static_cast<std::size_t>(block[at]);
        if (path == subBlock)
            return block.subspan(at + 1, valueLength);
        at += 1 + valueLength;
    }
    return std::nullopt;
}
