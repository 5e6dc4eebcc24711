// Reads the product name, version and copyright strings from a module's version block.
#pragma once

#include "tools/about/versionblocksource.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class VersionInfo {
public:
    // The longest module name the lookup takes; longer names are cut.
    static constexpr std::size_t MaxFileNameLength = 255;

    // Reads the version block of the module `fileName` through `source`, which must outlive
    // the reader.
    VersionInfo(VersionBlockSource& source, const std::string& fileName);
    virtual ~VersionInfo() = default;

    VersionInfo(const VersionInfo&) = delete;
    VersionInfo& operator=(const VersionInfo&) = delete;

    // Each answers the string of that name in the block's string table for its translation,
    // or nothing; the text stays valid while the reader lives.
    std::optional<std::string_view> ProductName() { return Query("ProductName"); }
    std::optional<std::string_view> ProductVersion() { return Query("ProductVersion"); }
    std::optional<std::string_view> LegalCopyright() { return Query("LegalCopyright"); }

    bool HasData() const { return data_.has_value(); }
    // Language in the high half, code page in the low half; 0 without data.
    std::uint32_t Translation() const { return translation_; }

    // The string-table path of `key` for `translation`: "\StringFileInfo\040904e4\ProductName".
    static std::string StringPath(std::uint32_t translation, std::string_view key);

private:
    std::optional<std::string_view> Query(std::string_view key);

    VersionBlockSource& source_;
    std::optional<std::vector<std::byte>> data_;
    std::uint32_t translation_ = 0;
};
