// A small writer for the one-line JSON objects the simulator prints.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class JsonObject {
 public:
  JsonObject &Add(const std::string &key, const std::string &text);
  JsonObject &Add(const std::string &key, const char *text) { return Add(key, std::string(text)); }
  JsonObject &Add(const std::string &key, long long number);
  JsonObject &Add(const std::string &key, bool flag);
  JsonObject &AddRaw(const std::string &key, const std::string &json);
  JsonObject &Add(const std::string &key, const std::vector<std::string> &texts);
  std::string Text() const { return "{" + body_ + "}"; }

  static std::string Quote(const std::string &text);
  static std::string Hex32(uint32_t value);  // "0x0000abcd"
  static std::string HexBytes(const std::vector<unsigned char> &bytes);

 private:
  void Key(const std::string &key);
  std::string body_;
};
