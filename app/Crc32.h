// CRC-32 (IEEE 802.3, reflected polynomial 0xEDB88320, initial and final xor 0xFFFFFFFF):
// the checksum zlib and PNG use. Crc32("123456789") == 0xCBF43926.
#pragma once

#include <cstddef>
#include <cstdint>

uint32_t Crc32(const void* data, size_t bytes);
