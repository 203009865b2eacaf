#pragma once

// What the readers' fuzz targets share: a broken promise ends the run loudly, and a command's
// output is caught in memory.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vordanel::fuzz {

inline void require(bool promise, const char* what)
{
    if (!promise) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

// A stream in memory, read back once closed.
struct Captured {
    std::FILE* file = nullptr;
    char* data = nullptr;
    std::size_t size = 0;
    Captured() : file(open_memstream(&data, &size)) { require(file != nullptr, "an output stream opens"); }
    Captured(const Captured&) = delete;
    Captured& operator=(const Captured&) = delete;
    ~Captured()
    {
        if (file) std::fclose(file);
        std::free(data);
    }
    std::string close()
    {
        std::fclose(file);
        file = nullptr;
        return {data, size};
    }
};

}  // namespace vordanel::fuzz
