// Properties that the fuzzers and the corpus replayer check on arbitrary
// bytes: whatever a reader accepts is written, read again and compared, and
// nothing may crash on the way. Bad input is no failure; a property that
// breaks returns false and says why in `failure`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The bytes as a data-model file: the tree a reader finds is written with
// TesFileWrite, read again (it must be sound and the same tree) and written
// again (the same bytes).
bool checkDataModelProperty(const uint8_t* data, size_t size, std::string& failure);

// The bytes as typed values on a BinInput (value type, medium read size and
// scrambler chosen by the first bytes), and as string blocks on bare streams:
// values read must match a plain decoder, be written back to the same bytes
// and read back to the same values.
bool checkStreamProperty(const uint8_t* data, size_t size, std::string& failure);
