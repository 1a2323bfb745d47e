#pragma once

#include <cstddef>
#include <cstdint>

// Each target checks its invariants and aborts on a broken one, so libFuzzer
// reports it like a crash; the regression test runs the kept inputs through them.

// Bytes as a document file: the first byte picks the code page (UTF-8 or windows-31j).
void fuzzLoad(const uint8_t *data, size_t size);

// Bytes as text, search text and replacement (split at the first two 0x00 bytes);
// the first byte picks the comparison and the starting selection.
void fuzzSearch(const uint8_t *data, size_t size);
