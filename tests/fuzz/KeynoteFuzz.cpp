// The save-reopen-save property under libFuzzer, with the sanitizers: any bytes as a keynote
// file; read, saved, read again and saved again, the two saves must be the same bytes. Built and
// run by scripts/fuzz-keynote.
#include "../editor/KeynoteRoundTrip.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string Folder() {
    static const std::string folder = [] {
        const char* base = std::getenv("FUZZ_FOLDER");
        std::string made =
            std::string(base ? base : "/dev/shm") + "/keynote-fuzz-" + std::to_string(::getpid());
        std::filesystem::create_directories(made);
        return made;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in = Folder() + "/in.csv";
    {
        std::ofstream out(in, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const std::string broken =
        keynoteroundtrip::SaveReopenSave(in, Folder() + "/a.csv", Folder() + "/b.csv");
    if (!broken.empty()) {
        std::fprintf(stderr, "%s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
