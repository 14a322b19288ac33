// A small reader of JSON (RFC 8259) for the test suites the project takes in
// as data: strings come out as UTF-16, escapes and lone surrogates as
// written; numbers as doubles. Throws std::runtime_error on malformed input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

struct Json {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::u16string string;
  std::vector<Json> array;
  std::map<std::u16string, Json> object;

  bool Has(const std::u16string& key) const { return object.count(key) != 0; }
  const Json& operator[](const std::u16string& key) const {
    const auto at = object.find(key);
    if (at == object.end()) throw std::runtime_error("no such key");
    return at->second;
  }

  static Json Parse(std::string_view text) {
    std::size_t at = 0;
    Json value = ReadValue(text, at);
    SkipSpace(text, at);
    if (at != text.size()) throw std::runtime_error("JSON: text after the value");
    return value;
  }

 private:
  static void SkipSpace(std::string_view text, std::size_t& at) {
    while (at < text.size() &&
           (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r'))
      ++at;
  }

  static void Expect(std::string_view text, std::size_t& at, std::string_view word) {
    if (text.substr(at, word.size()) != word) throw std::runtime_error("JSON: unexpected text");
    at += word.size();
  }

  static Json ReadValue(std::string_view text, std::size_t& at) {
    SkipSpace(text, at);
    if (at == text.size()) throw std::runtime_error("JSON: no value");
    Json value;
    switch (text[at]) {
      case '{':
        value.kind = Kind::kObject;
        ++at;
        SkipSpace(text, at);
        if (at < text.size() && text[at] == '}') return ++at, value;
        for (;;) {
          SkipSpace(text, at);
          std::u16string key = ReadString(text, at);
          SkipSpace(text, at);
          Expect(text, at, ":");
          value.object[key] = ReadValue(text, at);
          SkipSpace(text, at);
          if (at < text.size() && text[at] == ',') {
            ++at;
            continue;
          }
          Expect(text, at, "}");
          return value;
        }
      case '[':
        value.kind = Kind::kArray;
        ++at;
        SkipSpace(text, at);
        if (at < text.size() && text[at] == ']') return ++at, value;
        for (;;) {
          value.array.push_back(ReadValue(text, at));
          SkipSpace(text, at);
          if (at < text.size() && text[at] == ',') {
            ++at;
            continue;
          }
          Expect(text, at, "]");
          return value;
        }
      case '"':
        value.kind = Kind::kString;
        value.string = ReadString(text, at);
        return value;
      case 't':
        Expect(text, at, "true");
        value.kind = Kind::kBool;
        value.boolean = true;
        return value;
      case 'f':
        Expect(text, at, "false");
        value.kind = Kind::kBool;
        return value;
      case 'n':
        Expect(text, at, "null");
        return value;
      default: {
        const std::size_t start = at;
        while (at < text.size() &&
               std::string_view("+-.0123456789eE").find(text[at]) != std::string_view::npos)
          ++at;
        if (at == start) throw std::runtime_error("JSON: unexpected character");
        value.kind = Kind::kNumber;
        value.number = std::stod(std::string(text.substr(start, at - start)));
        return value;
      }
    }
  }

  static unsigned Hex(std::string_view text, std::size_t at) {
    if (at + 4 > text.size()) throw std::runtime_error("JSON: short escape");
    unsigned value = 0;
    for (std::size_t k = at; k < at + 4; ++k) {
      const char c = text[k];
      value = value * 16 + static_cast<unsigned>(c >= '0' && c <= '9'   ? c - '0'
                                                 : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : c >= 'A' && c <= 'F'
                                                     ? c - 'A' + 10
                                                     : throw std::runtime_error("JSON: bad hex"));
    }
    return value;
  }

  // A string, from its opening quote; UTF-8 of the text becomes UTF-16.
  static std::u16string ReadString(std::string_view text, std::size_t& at) {
    Expect(text, at, "\"");
    std::u16string out;
    for (;;) {
      if (at == text.size()) throw std::runtime_error("JSON: string not ended");
      const unsigned char c = static_cast<unsigned char>(text[at]);
      if (c == '"') {
        ++at;
        return out;
      }
      if (c == '\\') {
        if (at + 1 == text.size()) throw std::runtime_error("JSON: escape not ended");
        const char e = text[at + 1];
        at += 2;
        switch (e) {
          case '"':
            out += u'"';
            break;
          case '\\':
            out += u'\\';
            break;
          case '/':
            out += u'/';
            break;
          case 'b':
            out += u'\b';
            break;
          case 'f':
            out += u'\f';
            break;
          case 'n':
            out += u'\n';
            break;
          case 'r':
            out += u'\r';
            break;
          case 't':
            out += u'\t';
            break;
          case 'u':
            out += static_cast<char16_t>(Hex(text, at));
            at += 4;
            break;
          default:
            throw std::runtime_error("JSON: unknown escape");
        }
        continue;
      }
      // UTF-8.
      char32_t code = c;
      std::size_t length = 1;
      if (c >= 0xF0)
        code = c & 0x07, length = 4;
      else if (c >= 0xE0)
        code = c & 0x0F, length = 3;
      else if (c >= 0xC0)
        code = c & 0x1F, length = 2;
      if (at + length > text.size()) throw std::runtime_error("JSON: UTF-8 cut short");
      for (std::size_t k = 1; k < length; ++k)
        code = code << 6 | (static_cast<unsigned char>(text[at + k]) & 0x3F);
      at += length;
      if (code >= 0x10000) {
        out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
      } else {
        out += static_cast<char16_t>(code);
      }
    }
  }
};

}  // namespace testing_support
