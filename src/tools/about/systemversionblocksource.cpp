// The operating system's version block source: the version API on Windows, none elsewhere.
#include "tools/about/versionblocksource.h"

#ifdef _WIN32
#include <windows.h>

#include <utility>
#include <vector>

namespace {

// The full path of the running program's executable; empty when the system cannot say.
std::string RunningProgramPath() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size())
            return std::string(path.data(), length);
        path.resize(path.size() * 2); // cut short: try again with more room
    }
}

class Win32VersionBlockSource : public VersionBlockSource {
public:
    explicit Win32VersionBlockSource(std::string programTitle)
        : programTitle_(std::move(programTitle)) {}

    std::uint32_t InfoSize(const std::string& fileName) override {
        DWORD handle = 0;
        return GetFileVersionInfoSizeA(ModulePath(fileName).c_str(), &handle);
    }

    bool ReadInfo(const std::string& fileName, std::span<std::byte> block) override {
        return GetFileVersionInfoA(ModulePath(fileName).c_str(), 0,
                                   static_cast<DWORD>(block.size()), block.data()) != FALSE;
    }

    std::optional<std::span<std::byte>> Query(std::span<std::byte> block,
                                              const std::string& subBlock) override {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), subBlock.c_str(), &value, &length) || !value)
            return std::nullopt;
        return std::span<std::byte>(static_cast<std::byte*>(value), length);
    }

private:
    // The program's title names the running program's own file; other names stay as given.
    std::string ModulePath(const std::string& fileName) const {
        if (programTitle_.empty() || fileName != programTitle_)
            return fileName;
        const std::string path = RunningProgramPath();
        return path.empty() ? fileName : path;
    }

    std::string programTitle_;
};

} // namespace

std::unique_ptr<VersionBlockSource> MakeSystemVersionBlockSource(std::string programTitle) {
    return std::make_unique<Win32VersionBlockSource>(std::move(programTitle));
}

#else

// Other systems keep no version resources in their executables.
std::unique_ptr<VersionBlockSource> MakeSystemVersionBlockSource(std::string) {
    return std::make_unique<NoVersionBlockSource>();
}

#endif
