#pragma once
// Reading the audio of a WAV file for the encoders: exact reads at an
// offset, and the walk over the RIFF chunks to the "data" chunk.
#include <array>
#include <cstddef>
#include <cstdint>

namespace tolvar::wav {

uint16_t Le16(const uint8_t* P);
uint32_t Le32(const uint8_t* P);

// Reads exactly Count bytes at Offset; false on a short read or an error.
bool ReadAt(int Fd, uint8_t* Bytes, size_t Count, uint64_t Offset);

// The RIFF chunks of a WAV file in order, each "id, 32-bit size, data, pad
// byte to an even length". Finds the "data" chunk (and "fmt " for the block
// align and, when asked, the sample rate). False when the file ends before a
// data chunk.
bool FindWaveData(int Fd, uint64_t FileSize, const std::array<uint8_t, 44>& Header,
                  uint64_t& DataStart, uint64_t& DataSize, uint16_t& BlockAlign,
                  uint32_t* SampleRate = nullptr);

}  // namespace tolvar::wav
