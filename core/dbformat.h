// The Movrel! database format: where categories are and how a category record
// is laid out. The one place both executables learn the format from.
//
// Nothing of the Palm header or record list is parsed; the whole file is
// searched for 4-byte category markers, FF 40 44 02 or FF 40 44 03, which may
// stand anywhere (even inside an earlier record). Each marker is followed by
// one category record; offsets from the first byte after the marker:
//    0  21 bytes   name, zero-terminated; byte 20 is always taken as the end
//   21   8 bytes   check value: IDEA encryption of the password's first 8 bytes
//   29   1 byte    not interpreted
//   30   4 bytes   text length L, unsigned, big-endian
//   34   8*ceil(L/8) bytes  the text, IDEA-encrypted block by block
// Categories are numbered from 0 in marker order. The search for the next
// marker starts right after the previous marker, not after its record.
#ifndef MOVREL_CORE_DBFORMAT_H
#define MOVREL_CORE_DBFORMAT_H

#include <cstddef>
#include <cstdint>

constexpr int32_t kMarkerSize = 4;
constexpr int64_t kRecordNameAt = 0;
constexpr size_t kNameFieldSize = 21;
constexpr int64_t kRecordCheckAt = 21;
constexpr size_t kCheckSize = 8;
constexpr int64_t kRecordLengthAt = 30;
constexpr int64_t kRecordTextAt = 34;

// The error for category %d (an int) whose record is not all inside the image.
inline constexpr char kRecordPastEndFormat[] = "category %d runs past the end of the file";

// Offset of the first byte after the first marker that begins at or after
// start and lies wholly inside image[0..length); -1 when there is none (also
// for a negative start or a null image).
int32_t find_next_marker(const uint8_t* image, int32_t length, int32_t start);

// One category record as it stands in the image. Pointers point into the
// image and are valid only where the matching flag says the bytes are there.
struct CategoryRecord {
  int32_t start = 0;                   // first byte after the marker
  uint8_t kind = 0;                    // last byte of the marker: 0x02 or 0x03
  char name[kNameFieldSize] = {};      // the name as shown: up to 20 bytes, zero-terminated
  bool headerFits = false;             // name, check value and text length are inside
  const uint8_t* check = nullptr;      // kCheckSize bytes, when headerFits
  uint32_t textLength = 0;             // L, when headerFits
  const uint8_t* cipherText = nullptr; // cipher_size(textLength) bytes, when fits
  bool fits = false;                   // the whole record, text included, is inside
};

// Bytes of stored ciphertext for a text of textLength bytes: whole blocks.
constexpr int64_t cipher_size(uint32_t textLength) {
  return (int64_t{textLength} + 7) / 8 * 8;
}

// Reads the record whose marker ends at start (a result of find_next_marker).
// Never reads outside image[0..length): a name cut by the end of the image is
// shown as far as it goes.
CategoryRecord read_record(const uint8_t* image, int32_t length, int32_t start);

#endif
