// Where the version block of a file comes from: the system's version API where there is
// one, nothing elsewhere, a block held in memory for tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

class VersionBlockSource {
public:
    virtual ~VersionBlockSource() = default;

    // Size in bytes of the version information of the module `fileName`; 0 when it has none
    // or cannot be found.
    virtual std::uint32_t InfoSize(const std::string& fileName) = 0;
    // Reads the version information of `fileName` into `block`, which holds InfoSize bytes;
    // false when the read fails.
    virtual bool ReadInfo(const std::string& fileName, std::span<std::byte> block) = 0;
    // Finds the value named by `subBlock` (for example "\VarFileInfo\Translation") in a
    // block read by ReadInfo: the value's bytes inside the block, or nothing. A string
    // value is a zero-terminated text.
    virtual std::optional<std::span<std::byte>> Query(std::span<std::byte> block,
                                                      const std::string& subBlock) = 0;
};

// A source that never finds version information.
class NoVersionBlockSource : public VersionBlockSource {
public:
    std::uint32_t InfoSize(const std::string&) override { return 0; }
    bool ReadInfo(const std::string&, std::span<std::byte>) override { return false; }
    std::optional<std::span<std::byte>> Query(std::span<std::byte>, const std::string&) override {
        return std::nullopt;
    }
};

// The operating system's source: the version API on Windows, none elsewhere. The about
// box names the program by its title, `programTitle`; the version API looks modules up by
// file name and would never find that one, so on Windows the title stands for the running
// program's own file. Every other name is looked up as given.
std::unique_ptr<VersionBlockSource> MakeSystemVersionBlockSource(std::string programTitle = {});
