// Little-endian encoders for the binary files.  Written with explicit shifts
// so the bytes do not depend on the host's byte order or struct padding.
#ifndef VALDORO_UTIL_CODING_H_
#define VALDORO_UTIL_CODING_H_

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace valdoro {

inline void put_u8(std::string* dst, uint8_t v) { dst->push_back(static_cast<char>(v)); }

// Encoders into a buffer the caller has sized; each returns the byte after
// what it wrote.  The big tables are encoded this way, in one allocation.
inline char* encode_u16(char* p, uint16_t v) {
  p[0] = static_cast<char>(v & 0xff);
  p[1] = static_cast<char>((v >> 8) & 0xff);
  return p + 2;
}

inline char* encode_f64(char* p, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  // Written out, not looped: the compiler merges these into one store.
  p[0] = static_cast<char>(bits & 0xff);
  p[1] = static_cast<char>((bits >> 8) & 0xff);
  p[2] = static_cast<char>((bits >> 16) & 0xff);
  p[3] = static_cast<char>((bits >> 24) & 0xff);
  p[4] = static_cast<char>((bits >> 32) & 0xff);
  p[5] = static_cast<char>((bits >> 40) & 0xff);
  p[6] = static_cast<char>((bits >> 48) & 0xff);
  p[7] = static_cast<char>((bits >> 56) & 0xff);
  return p + 8;
}

// Each encoder fills a small buffer and appends it once: the profile file
// holds millions of values, and byte-wise appends dominate its cost.
inline void put_u16(std::string* dst, uint16_t v) {
  const char buf[2] = {static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff)};
  dst->append(buf, 2);
}

inline void put_i16(std::string* dst, int16_t v) { put_u16(dst, static_cast<uint16_t>(v)); }

inline void put_u32(std::string* dst, uint32_t v) {
  char buf[4];
  for (int i = 0; i < 4; ++i) buf[i] = static_cast<char>((v >> (8 * i)) & 0xff);
  dst->append(buf, 4);
}

inline void put_i32(std::string* dst, int32_t v) { put_u32(dst, static_cast<uint32_t>(v)); }

inline void put_f64(std::string* dst, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  char buf[8];
  for (int i = 0; i < 8; ++i) buf[i] = static_cast<char>((bits >> (8 * i)) & 0xff);
  dst->append(buf, 8);
}

// Text member: 2-byte count, then one byte per character, no terminator.
// The count has room for 65535 bytes: a longer text is cut there, so that
// count and bytes always agree and a reader stays in step.
inline void put_text(std::string* dst, std::string_view text) {
  text = text.substr(0, 0xffff);
  put_u16(dst, static_cast<uint16_t>(text.size()));
  dst->append(text.data(), text.size());
}

// Decoders for the dump: each reads from p, which must hold enough bytes.
inline uint8_t get_u8(const char* p) { return static_cast<uint8_t>(p[0]); }
inline uint16_t get_u16(const char* p) {
  return static_cast<uint16_t>(static_cast<uint8_t>(p[0]) | (static_cast<uint8_t>(p[1]) << 8));
}
inline int16_t get_i16(const char* p) { return static_cast<int16_t>(get_u16(p)); }
inline uint32_t get_u32(const char* p) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(p[i]);
  return v;
}
inline int32_t get_i32(const char* p) { return static_cast<int32_t>(get_u32(p)); }
inline double get_f64(const char* p) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | static_cast<uint8_t>(p[i]);
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

}  // namespace valdoro

#endif  // VALDORO_UTIL_CODING_H_
