#pragma once
// Builds .lnk bytes (MS-SHLLINK) with just the parts a test or the fuzz driver asks for.
#include <string>
#include <utility>
#include <vector>

#include "platform/base/Text.h"
#include "platform/base/WinTypes.h"

namespace mxtest {

// Writes MS-SHLLINK bytes: the parts a test asks for, laid out as the format says.
class LinkBuilder {
 public:
  LinkBuilder& localPath(std::string base, std::string suffix) {
    local_ = std::move(base);
    suffix_ = std::move(suffix);
    return *this;
  }
  LinkBuilder& network(std::string share) {
    share_ = std::move(share);
    return *this;
  }
  LinkBuilder& idList(std::string drive, std::vector<std::pair<std::string, std::wstring>> items) {
    drive_ = std::move(drive);
    items_ = std::move(items);
    return *this;
  }
  LinkBuilder& environment(std::wstring target) {
    env_ = std::move(target);
    return *this;
  }
  LinkBuilder& arguments(std::wstring args) {
    args_ = std::move(args);
    return *this;
  }

  std::string build() const {
    DWORD flags = 0x80;  // unicode strings
    if (!drive_.empty()) flags |= 0x1;
    if (!local_.empty() || !share_.empty()) flags |= 0x2;
    if (!args_.empty()) flags |= 0x20;
    if (!env_.empty()) flags |= 0x200;
    std::string out;
    U32(out, 0x4C);
    const unsigned char clsid[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    out.append(reinterpret_cast<const char*>(clsid), 16);
    U32(out, flags);
    U32(out, 0x20);
    out.append(24, '\0');  // times
    U32(out, 0);           // size
    U32(out, 0);           // icon
    U32(out, 1);           // show
    out.append(12, '\0');  // hot key, reserved
    if (!drive_.empty()) {
      std::string list;
      std::string root = "\x1f\x50";
      const unsigned char computer[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                          0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
      root.append(reinterpret_cast<const char*>(computer), 16);
      Item(list, root);
      std::string drive = "\x2f" + drive_;
      drive.resize(23, '\0');
      Item(list, drive);
      for (const auto& [shortName, longName] : items_) {
        std::string item = "\x32";
        item += '\0';
        item.append(10, '\0');  // size, date, attributes
        item += shortName;
        item += '\0';
        if ((item.size() + 2) % 2) item += '\0';
        std::string ext;
        std::string name = mx::WideToUtf16Le(longName) + std::string(2, '\0');
        U16(ext, static_cast<WORD>(0x0E + name.size() + 2));
        U16(ext, 3);
        U32(ext, 0xBEEF0004);
        ext.append(6, '\0');
        ext += name;
        U16(ext, 0x14);
        item += ext;
        Item(list, item);
      }
      U16(list, 0);
      U16(out, static_cast<WORD>(list.size()));
      out += list;
    }
    if (!local_.empty() || !share_.empty()) {
      std::string info;
      std::string volume;
      U32(volume, 0x11);
      U32(volume, 3);
      U32(volume, 0x1234);
      U32(volume, 0x10);
      volume += '\0';
      std::string net;
      if (!share_.empty()) {
        U32(net, static_cast<DWORD>(0x14 + share_.size() + 1));
        U32(net, 0);
        U32(net, 0x14);
        U32(net, 0);
        U32(net, 0);
        net += share_ + '\0';
      }
      size_t volumeAt = 0x1C, localAt = volumeAt + volume.size(), netAt = localAt + local_.size() + 1;
      size_t suffixAt = netAt + net.size();
      U32(info, static_cast<DWORD>(suffixAt + suffix_.size() + 1));
      U32(info, 0x1C);
      U32(info, (local_.empty() ? 0 : 1) | (share_.empty() ? 0 : 2));
      U32(info, static_cast<DWORD>(volumeAt));
      U32(info, static_cast<DWORD>(localAt));
      U32(info, share_.empty() ? 0 : static_cast<DWORD>(netAt));
      U32(info, static_cast<DWORD>(suffixAt));
      info += volume + local_ + '\0' + net + suffix_ + '\0';
      out += info;
    }
    if (!args_.empty()) {
      U16(out, static_cast<WORD>(args_.size()));
      out += mx::WideToUtf16Le(args_);
    }
    if (!env_.empty()) {
      U32(out, 0x314);
      U32(out, 0xA0000001);
      std::string ansi = mx::WideToUtf8(env_);
      ansi.resize(260, '\0');
      std::string wide = mx::WideToUtf16Le(env_);
      wide.resize(520, '\0');
      out += ansi + wide;
    }
    U32(out, 0);
    return out;
  }

 private:
  static void U16(std::string& s, WORD v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
  }
  static void U32(std::string& s, DWORD v) {
    U16(s, static_cast<WORD>(v & 0xFFFF));
    U16(s, static_cast<WORD>(v >> 16));
  }
  static void Item(std::string& list, const std::string& body) {
    U16(list, static_cast<WORD>(body.size() + 2));
    list += body;
  }

  std::string local_, suffix_, share_, drive_;
  std::vector<std::pair<std::string, std::wstring>> items_;
  std::wstring env_, args_;
};

}  // namespace mxtest
