#include "app/cp1250.h"

#include <iconv.h>

#include <cstdint>
#include <vector>

#include "app/error.h"

namespace korvan {

namespace {

struct Cp1250Tables {
  // UTF-8 form of every byte, 1 to 3 bytes long.
  char utf8[256][4];
  uint8_t utf8_length[256];
  // Code point -> byte + 1; 0 means the code point has no Windows-1250 form.
  std::vector<uint16_t> byte_of_code;
};

// Bytes that Windows-1250 leaves undefined; they map to the C1 control of the same value so
// that no byte is lost on the way through memory.
bool IsUndefinedByte(unsigned byte) {
  return byte == 0x81 || byte == 0x83 || byte == 0x88 || byte == 0x90 || byte == 0x98;
}

int EncodeUtf8(uint32_t code, char* out) {
  if (code < 0x80) {
    out[0] = static_cast<char>(code);
    return 1;
  }
  if (code < 0x800) {
    out[0] = static_cast<char>(0xC0 | (code >> 6));
    out[1] = static_cast<char>(0x80 | (code & 0x3F));
    return 2;
  }
  out[0] = static_cast<char>(0xE0 | (code >> 12));
  out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
  out[2] = static_cast<char>(0x80 | (code & 0x3F));
  return 3;
}

Cp1250Tables BuildTables() {
  iconv_t cd = iconv_open("UTF-32LE", "CP1250");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    throw Error("Windows-1250 conversion is not available (iconv CP1250)");
  }
  uint32_t codes[256];
  for (unsigned byte = 0; byte < 256; ++byte) {
    codes[byte] = byte;  // the fallback keeps the byte alive if iconv refuses it
    if (byte < 0x80 || IsUndefinedByte(byte)) continue;
    char in_byte = static_cast<char>(byte);
    unsigned char out_bytes[8] = {};
    char* in_ptr = &in_byte;
    size_t in_left = 1;
    char* out_ptr = reinterpret_cast<char*>(out_bytes);
    size_t out_left = sizeof out_bytes;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<size_t>(-1) &&
        sizeof out_bytes - out_left == 4) {
      codes[byte] =
          static_cast<uint32_t>(out_bytes[0]) | (static_cast<uint32_t>(out_bytes[1]) << 8) |
          (static_cast<uint32_t>(out_bytes[2]) << 16) | (static_cast<uint32_t>(out_bytes[3]) << 24);
    }
  }
  iconv_close(cd);

  Cp1250Tables tables{};
  uint32_t max_code = 0;
  for (uint32_t code : codes) max_code = code > max_code ? code : max_code;
  if (max_code > 0xFFFF) throw Error("Windows-1250 conversion table is invalid");
  tables.byte_of_code.assign(max_code + 1, 0);
  for (unsigned byte = 0; byte < 256; ++byte) {
    tables.utf8_length[byte] = static_cast<uint8_t>(EncodeUtf8(codes[byte], tables.utf8[byte]));
    tables.byte_of_code[codes[byte]] = static_cast<uint16_t>(byte + 1);
  }
  return tables;
}

const Cp1250Tables& Tables() {
  static const Cp1250Tables tables = BuildTables();
  return tables;
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

std::string Cp1250ToUtf8(std::string_view bytes) {
  const Cp1250Tables& tables = Tables();
  std::string text;
  text.resize(bytes.size() * 3);
  char* out = text.data();
  for (char ch : bytes) {
    auto byte = static_cast<unsigned char>(ch);
    if (byte < 0x80) {
      *out++ = ch;
      continue;
    }
    const char* form = tables.utf8[byte];
    for (int i = 0; i < tables.utf8_length[byte]; ++i) *out++ = form[i];
  }
  text.resize(static_cast<size_t>(out - text.data()));
  return text;
}

std::string Utf8ToCp1250(std::string_view text) {
  const Cp1250Tables& tables = Tables();
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  const size_t size = text.size();
  std::string bytes;
  bytes.resize(size);  // never longer than the UTF-8 text
  char* out = bytes.data();
  size_t i = 0;
  while (i < size) {
    unsigned char lead = in[i];
    if (lead < 0x80) {
      *out++ = static_cast<char>(lead);
      ++i;
      continue;
    }
    // Expected length and the allowed range of the second byte (which rules out overlong
    // forms, surrogates and code points above U+10FFFF).
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    }
    if (length == 0) {
      *out++ = '?';
      ++i;
      continue;
    }
    uint32_t code = lead & (0xFF >> (length + 1));
    size_t j = i + 1;
    bool complete = true;
    for (int k = 1; k < length; ++k, ++j) {
      if (j >= size) {
        complete = false;
        break;
      }
      unsigned char c = in[j];
      if (k == 1 ? (c < low || c > high) : !IsContinuation(c)) {
        complete = false;
        break;
      }
      code = (code << 6) | (c & 0x3F);
    }
    // An incomplete sequence is replaced as a whole, up to the first byte that breaks it.
    i = j;
    if (!complete) {
      *out++ = '?';
      continue;
    }
    uint16_t mapped = code < tables.byte_of_code.size() ? tables.byte_of_code[code] : 0;
    *out++ = mapped != 0 ? static_cast<char>(mapped - 1) : '?';
  }
  bytes.resize(static_cast<size_t>(out - bytes.data()));
  return bytes;
}

}  // namespace korvan
