// Folding candidates given as bytes into the key-search kernel's rows (the
// closed form of lane_batch.cpp), 32 lanes at a time on AVX2. Compiled for
// AVX2 in a file of its own; call it only where the processor has AVX2 (an
// available AVX2 or AVX-512 kernel path says so).
#ifndef MOVREL_MOVREL_RECOVER_LANE_FOLD_H
#define MOVREL_MOVREL_RECOVER_LANE_FOLD_H

#include <cstddef>
#include <cstdint>

// bytes: 16 per lane, a candidate ending at its first zero byte, for count
// lanes rounded up to 32 (the lanes past count zero); rows: 12 rows of
// stride words, written for as many lanes.
void fold_rows_avx2(const unsigned char* bytes, size_t count, uint16_t* rows, size_t stride);

#endif
