// Sample texts with their bytes in Windows code pages, as Python's codecs
// encode them (an encoder independent of ICU).
#pragma once

#include <cstdint>
#include <string>

namespace mailwright::text::testing {

struct CodePageSample {
    std::uint32_t codePage;
    std::string utf8;
    std::string bytes;
};

inline const CodePageSample kCodePageSamples[] = {
    {1251, "Привет, мир", "\xCF\xF0\xE8\xE2\xE5\xF2\x2C\x20\xEC\xE8\xF0"},
    {1253, "Γειά σου", "\xC3\xE5\xE9\xDC\x20\xF3\xEF\xF5"},
    {932, "日本語ｶﾀｶﾅ", "\x93\xFA\x96\x7B\x8C\xEA\xB6\xC0\xB6\xC5"},
    {936, "中文简体", "\xD6\xD0\xCE\xC4\xBC\xF2\xCC\xE5"},
    {949, "한국어", "\xC7\xD1\xB1\xB9\xBE\xEE"},
    {950, "中文繁體", "\xA4\xA4\xA4\xE5\xC1\x63\xC5\xE9"},
    {1250, "Łódź Žluťoučký", "\xA3\xF3\x64\x9F\x20\x8E\x6C\x75\x9D\x6F\x75\xE8\x6B\xFD"},
    {54936, "中😀é", "\xD6\xD0\x94\x39\xFC\x36\xA8\xA6"},
};

}  // namespace mailwright::text::testing
