// The fuzz input as a read-only stream (fmemopen), for readers that take an
// open FILE: no disk in the way, so that short runs reach many inputs. The
// fuzz targets are built natively only, where fmemopen exists.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>

inline FILE* k4fuzzOpenInput(const uint8_t* data, size_t size) {
    static uint8_t none = 0; // an empty input may arrive as a null pointer
    FILE* stream = fmemopen(size > 0 ? const_cast<uint8_t*>(data) : &none, size, "rb");
    if (stream == nullptr) {
        std::abort();
    }
    return stream;
}
