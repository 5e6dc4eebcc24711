// The operating system's version block source: the version API on Windows, none elsewhere.
#include "tools/about/versionblocksource.h"

#ifdef _WIN32
#include <windows.h>

namespace {

class Win32VersionBlockSource : public VersionBlockSource {
public:
    std::uint32_t InfoSize(const std::string& fileName) override {
        DWORD handle = 0;
        return GetFileVersionInfoSizeA(fileName.c_str(), &handle);
    }

    bool ReadInfo(const std::string& fileName, std::span<std::byte> block) override {
        return GetFileVersionInfoA(fileName.c_str(), 0, static_cast<DWORD>(block.size()),
                                   block.data()) != FALSE;
    }

    std::optional<std::span<std::byte>> Query(std::span<std::byte> block,
                                              const std::string& subBlock) override {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), subBlock.c_str(), &value, &length) || !value)
            return std::nullopt;
        return std::span<std::byte>(static_cast<std::byte*>(value), length);
    }
};

} // namespace

std::unique_ptr<VersionBlockSource> MakeSystemVersionBlockSource() {
    return std::make_unique<Win32VersionBlockSource>();
}

#else

// Other systems keep no version resources in their executables.
std::unique_ptr<VersionBlockSource> MakeSystemVersionBlockSource() {
    return std::make_unique<NoVersionBlockSource>();
}

#endif
