// Text held in 8-bit strings: UTF-8 (what the program writes) and the
// Windows code page 1252 (what pool files written on Windows hold).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The code point that starts at str[nPos], moving nPos past it. A byte that
// starts no well-formed UTF-8 sequence (a stray continuation byte, a cut or
// overlong sequence, a surrogate, a value past U+10FFFF) gives
// kInvalidCodePoint and moves nPos by one byte.
inline constexpr char32_t kInvalidCodePoint = 0xFFFFFFFF;
char32_t DecodeUtf8(std::string_view str, std::size_t& nPos);

// True when every byte of str belongs to a well-formed UTF-8 sequence.
bool IsValidUtf8(std::string_view str);

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& str, char32_t cp);

// The UTF-8 form of a code page 1252 string. The five bytes that code page
// leaves undefined (81, 8D, 8F, 90, 9D) become the control characters of the
// same number, as Windows converts them.
std::string Cp1252ToUtf8(std::string_view str);
