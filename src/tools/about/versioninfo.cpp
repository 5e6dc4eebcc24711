// Reads the product name, version and copyright strings from a module's version block.
#include "tools/about/versioninfo.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* TranslationPath = "\\VarFileInfo\\Translation";
constexpr const char* StringPathFormat = "\\StringFileInfo\\%08lx\\%s";

// The translation table holds pairs of 16-bit words, language first, then code page; read
// as one 32-bit value the code page lands in the high half. Swapping the halves makes the
// value read language then code page, the order the string table's name uses.
std::uint32_t SwapHalvesInPlace(std::span<std::byte> entry) {
    std::uint32_t value = 0;
    std::memcpy(&value, entry.data(), sizeof value);
    value = (value << 16) | (value >> 16);
    std::memcpy(entry.data(), &value, sizeof value);
    return value;
}

} // namespace

VersionInfo::VersionInfo(VersionBlockSource& source, const std::string& fileName)
    : source_(source) {
    const std::string name = fileName.substr(0, MaxFileNameLength);
    const std::uint32_t size = source_.InfoSize(name);
    if (size == 0)
        return;
    std::vector<std::byte> block(size);
    if (!source_.ReadInfo(name, block))
        return;
    const auto translation = source_.Query(block, TranslationPath);
    if (!translation || translation->size() < sizeof(std::uint32_t))
        return;
    translation_ = SwapHalvesInPlace(translation->first(sizeof(std::uint32_t)));
    data_ = std::move(block);
}

std::string VersionInfo::StringPath(std::uint32_t translation, std::string_view key) {
    const std::string keyText(key);
    char path[64 + MaxFileNameLength];
    std::snprintf(path, sizeof path, StringPathFormat, static_cast<unsigned long>(translation),
                  keyText.c_str());
    return path;
}

std::optional<std::string_view> VersionInfo::Query(std::string_view key) {
    if (!data_)
        return std::nullopt;
    const auto value = source_.Query(*data_, StringPath(translation_, key));
    if (!value)
        return std::nullopt;
    const char* text = reinterpret_cast<const char*>(value->data());
    return std::string_view(text, strnlen(text, value->size()));
}
