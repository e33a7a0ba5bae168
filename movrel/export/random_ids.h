// Random identifiers for the documents other programs import. Not secrets:
// the system's random source (getrandom) is enough.
#ifndef MOVREL_MOVREL_EXPORT_RANDOM_IDS_H
#define MOVREL_MOVREL_EXPORT_RANDOM_IDS_H

#include <string>

// 16 random bytes as KeePass writes a UUID: 24 characters of base64.
std::string random_uuid_base64();

// A version 4 UUID as text, "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx".
std::string random_uuid_text();

#endif
