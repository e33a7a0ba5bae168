// Whether a file begins as a Palm database does. Categories are found by their
// markers alone, so nothing depends on this; it lets a tool tell a user whose
// file has no categories that it is not a Palm database at all (a text file,
// a photo), rather than an empty one.
//
// The header, big-endian (78 bytes), then the record list:
//    0  32 bytes  database name, zero-terminated
//   32  44 bytes  attributes, version, times, offsets, type, creator, seeds
//   76   2 bytes  number of records n
//   78  8*n bytes record entries: a 4-byte offset, 4 bytes of attributes and ID
#ifndef MOVREL_CORE_PALM_HEADER_H
#define MOVREL_CORE_PALM_HEADER_H

#include <cstdint>

// True when image[0..length) holds such a header: a zero-terminated name,
// and a record list that fits the file with every record's offset inside it,
// past the list.
bool has_palm_header(const uint8_t* image, int32_t length);

#endif
