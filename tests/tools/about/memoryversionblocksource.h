// A version block held in memory: named values laid out one after the other, found by
// their exact path. It records every call so tests can see what the reader asked for.
#pragma once

#include "tools/about/versionblocksource.h"

#include <string>
#include <utility>
#include <vector>

class MemoryVersionBlockSource : public VersionBlockSource {
public:
    // Adds a value under `path` with exactly these bytes.
    void AddBytes(const std::string& path, std::vector<std::byte> value);
    // Adds a zero-terminated string value.
    void AddString(const std::string& path, const std::string& text);
    // Adds a translation table with one entry, stored as the resource stores it: the
    // language's 16-bit word, then the code page's, each low byte first.
    void AddTranslation(std::uint16_t language, std::uint16_t codePage);

    bool FailRead = false;
    std::vector<std::string> FileNames;
    std::vector<std::string> Queries;

    std::uint32_t InfoSize(const std::string& fileName) override;
    bool ReadInfo(const std::string& fileName, std::span<std::byte> block) override;
    std::optional<std::span<std::byte>> Query(std::span<std::byte> block,
                                              const std::string& subBlock) override;

    // The block as ReadInfo hands it out: per value, the path's length (one byte), the path,
    // the value's length (one byte), the value.
    std::vector<std::byte> Block() const;

private:
    std::vector<std::pair<std::string, std::vector<std::byte>>> values_;
};
