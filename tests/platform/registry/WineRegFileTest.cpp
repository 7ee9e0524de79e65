#include <gtest/gtest.h>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/registry/WineRegFile.h"
#include "support/TestPaths.h"

namespace mx::reg {
namespace {

using namespace std::string_literals;

std::string Fixture(const char* name) {
  std::string text;
  EXPECT_TRUE(ReadWholeFile(mxtest::FixtureDir() / name, text));
  return text;
}

WineRegFile Parse(std::string_view text, std::vector<std::wstring>* warnings = nullptr) {
  WineRegFile file;
  std::wstring error;
  EXPECT_TRUE(file.Parse(text, L"t.reg", nullptr, warnings, &error)) << WideToUtf8(error);
  return file;
}

TEST(WineRegFile, SampleFilesSaveByteForByte) {
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
    std::string text = Fixture(name);
    std::vector<std::wstring> warnings;
    WineRegFile file = Parse(text, &warnings);
    EXPECT_TRUE(warnings.empty()) << name << ": " << WideToUtf8(warnings.front());
    std::string again = file.Format();
    ASSERT_EQ(again.size(), text.size()) << name;
    EXPECT_TRUE(again == text) << name;
  }
}

TEST(WineRegFile, SampleMachineFileShape) {
  WineRegFile file = Parse(Fixture("system.reg"));
  EXPECT_EQ(file.relativeTo, L"REGISTRY\\Machine");
  EXPECT_EQ(file.arch, Arch::Win64);
  // The counts of the sample's description: 15,684 keys written plus 571 implied parents, 25,780 values.
  size_t keys = 0, values = 0, links = 0;
  std::vector<const Key*> stack{file.root.get()};
  while (!stack.empty()) {
    const Key* k = stack.back();
    stack.pop_back();
    keys += k != file.root.get();
    values += k->values.size();
    links += k->isLink;
    for (auto& c : k->subkeys) stack.push_back(c.get());
  }
  EXPECT_EQ(keys, 15684u + 571u);
  EXPECT_EQ(values, 25780u);
  EXPECT_EQ(links, 54u);
  Key* classes = file.root->Find(L"software")->Find(L"CLASSES");
  ASSERT_NE(classes, nullptr);
  // Implicit parents exist although the file has no line for them.
  Key* link = file.root->Find(L"Software")->Find(L"Wow6432Node")->Find(L"Classes");
  ASSERT_NE(link, nullptr);
  EXPECT_TRUE(link->isLink);
  EXPECT_EQ(LinkTarget(*link), L"\\Registry\\Machine\\Software\\Classes\\Wow6432Node");
  // The non-BMP key name stays two UTF-16 units each.
  WineRegFile user = Parse(Fixture("user.reg"));
  Key* intl = user.root->Find(L"Control Panel")->Find(L"International");
  ASSERT_NE(intl, nullptr);
  bool found = false;
  for (auto& k : intl->subkeys) found |= k->name == std::wstring{0xd83c, 0xdf0e, 0xd83c, 0xdf0f, 0xd83c, 0xdf0d};
  EXPECT_TRUE(found);
}

// UTF-16LE bytes of text with its terminator, as REG_SZ data is stored.
std::vector<BYTE> Sz(std::wstring_view text) {
  std::string bytes = WideToUtf16Le(text);
  std::vector<BYTE> out(bytes.begin(), bytes.end());
  out.insert(out.end(), {0, 0});
  return out;
}

TEST(WineRegFile, ValueFormsAndEscapes) {
  const char* text =
      "WINE REGISTRY Version 2\n"
      ";; All keys relative to REGISTRY\\\\Machine\n\n#arch=win32\n\n"
      "[A\\\\B] 1700000000\n"
      "#time=1da1747c66d0000\n"
      "@=\"q\\\"b\\\\s\\x3042\\x3042a\\ta\"\n"
      "\"@ivt\"=dword:0000002a\n"
      "\"bin\"=hex:01,ff\n"
      "\"empty\"=hex(1):\n"
      "\"exp\"=str(2):\"%SystemRoot%\"\n"
      "\"multi\"=str(7):\"a\\0b\\0\"\n"
      "\"odd\"=hex(1):41,00,42\n"
      "\"q\"=hex(b):01,00,00,00,00,00,00,00\n";
  WineRegFile f = Parse(text);
  EXPECT_EQ(f.arch, Arch::Win32);
  Key* key = f.root->Find(L"a")->Find(L"b");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->modified, 0x1da1747c66d0000ull);
  struct Case {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> bytes;
  };
  const Case cases[] = {
      {L"", REG_SZ, {'q', 0, '"', 0, 'b', 0, '\\', 0, 's', 0, 0x42, 0x30, 0x42, 0x30, 'a', 0, '\t', 0, 'a', 0, 0, 0}},
      {L"@IVT", REG_DWORD, {42, 0, 0, 0}},
      {L"bin", REG_BINARY, {1, 0xff}},
      {L"empty", REG_SZ, {}},
      {L"exp", REG_EXPAND_SZ, Sz(L"%SystemRoot%")},
      {L"multi", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
      {L"odd", REG_SZ, {0x41, 0, 0x42}},
      {L"q", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}},
  };
  ASSERT_EQ(key->values.size(), std::size(cases));
  for (const Case& c : cases) {
    const Value* v = key->FindValue(c.name);
    ASSERT_NE(v, nullptr) << WideToUtf8(c.name);
    EXPECT_EQ(v->type, c.type) << WideToUtf8(c.name);
    EXPECT_EQ(v->data, c.bytes) << WideToUtf8(c.name);
  }
  // Written back exactly as read (the \x3042 before 'a' keeps its four digits).
  EXPECT_EQ(f.Format(), text);
}

TEST(WineRegFile, ControlCharactersAndLongHexRoundTrip) {
  WineRegFile f;
  f.root = std::make_shared<Key>();
  Key* k = f.root->Add(L"K[1]", 0x1da1747c66d0000ull);
  k->SetValue(L"ctl", REG_SZ, {1, 0, '7', 0, 2, 0, 'x', 0, 0xe9, 0, 'a', 0, 0xe9, 0, 'z', 0, 0, 0});
  std::vector<BYTE> big(300);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<BYTE>(i);
  k->SetValue(L"a rather long value name for wrapping", 0xffff0011, big);
  std::string text = f.Format();
  EXPECT_NE(text.find("\"ctl\"=\"\\0017\\2x\\x00e9a\\xe9z\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[K\\[1\\]]"), std::string::npos);
  size_t longest = 0, start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    longest = std::max(longest, nl - start);
  EXPECT_LE(longest, 80u);
  WineRegFile again = Parse(text);
  EXPECT_EQ(again.Format(), text);
  EXPECT_EQ(again.root->Find(L"k[1]")->FindValue(L"ctl")->data, k->FindValue(L"ctl")->data);
  EXPECT_EQ(again.root->Find(L"k[1]")->FindValue(L"A RATHER long value name for wrapping")->data, big);
}

TEST(WineRegFile, BadLinesAreNamedAndWrittenBackInTheirPlace) {
  const std::string early = "\"early\"=\"x\"\n";   // 2: value before any key
  const std::string inGood =
      "\"a\"=\"unterminated\n"                     // 4
      "\"b\"=dword:123456789\n"                    // 5
      "\"c\"=hex:0g\n"                             // 6
      "\"d\"=foo:1\r\n"                            // 7: kept with its own line end
      "\"e\"=hex:01,\\\n"                          // 8: continued...
      "  02,zz\n";                                 // 9: ...and broken
  const std::string badKey =
      "[Bad\\\\\\\\Path] 1\n"                      // 11: empty key name; its lines stay with it
      "\"f\"=\"in bad key\"\n"
      "#time=xyz\n"
      "garbage\n"
      "\"ok\"=\"kept\"\n";
  const std::string afterOk = "\"bad\"=dword:xyz\n";     // 19
  const std::string tail = "\"tail\"=hex:01,\\\n";      // 20: cut off at the end, so it stays there
  const std::string text = "WINE REGISTRY Version 2\n" + early + "[Good] 1\n" + inGood + "\n" + badKey +
                           "\n[Good\\\\Child] 1\n\"ok\"=\"kept\"\n" + afterOk + tail;
  std::vector<std::wstring> warnings;
  WineRegFile f = Parse(text, &warnings);
  std::vector<std::string> where;
  for (auto& w : warnings) where.push_back(WideToUtf8(w.substr(0, w.find(L": "))));
  EXPECT_EQ(where, (std::vector<std::string>{"t.reg:2", "t.reg:4", "t.reg:5", "t.reg:6", "t.reg:7", "t.reg:9",
                                             "t.reg:11", "t.reg:19", "t.reg:20"}));
  Key* good = f.root->Find(L"Good");
  ASSERT_NE(good, nullptr);
  EXPECT_TRUE(good->values.empty());
  ASSERT_NE(good->Find(L"Child"), nullptr);
  EXPECT_NE(good->Find(L"Child")->FindValue(L"ok"), nullptr);
  EXPECT_EQ(good->Find(L"Bad"), nullptr);

  std::string saved = f.Format();
  size_t at = 0;
  for (const std::string& part : {early, "\n[Good] 1\n#time="s, inGood, "\n" + badKey, "\n[Good\\\\Child] 1\n"s,
                                  "\"ok\"=\"kept\"\n" + afterOk + tail}) {
    size_t found = saved.find(part, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of place:\n" << part << "\nin:\n" << saved;
    at = found + part.size();
  }
  EXPECT_EQ(Parse(saved).Format(), saved) << "kept lines stay put over any number of saves";

  // Lines kept after a value follow it when values are added around it, and stay when it is deleted.
  Key* child = good->Find(L"Child");
  child->SetValue(L"a", REG_SZ, {0, 0});
  child->SetValue(L"z", REG_SZ, {0, 0});
  saved = f.Format();
  EXPECT_NE(saved.find("\"ok\"=\"kept\"\n" + afterOk + "\"z\"=\"\"\n"), std::string::npos) << saved;
  EXPECT_TRUE(saved.ends_with("\"z\"=\"\"\n" + tail)) << saved;
  child->DeleteValue(L"ok");
  saved = f.Format();
  EXPECT_TRUE(saved.ends_with("\"z\"=\"\"\n" + afterOk + tail)) << saved;
}

TEST(WineRegFile, EndlessNestingIsSkipped) {
  std::string deep = "WINE REGISTRY Version 2\n[a";
  for (int i = 0; i < 100000; ++i) deep += "\\\\a";
  deep += "] 1\n[b] 1\n";
  std::vector<std::wstring> warnings;
  WineRegFile f = Parse(deep, &warnings);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].rfind(L"t.reg:2: ", 0), 0u);
  EXPECT_EQ(f.root->subkeys.size(), 1u);
}

// Key lines that share their leading names with the line before, as written or only in part.
TEST(WineRegFile, KeyLinesSharingTheirPathWithTheLineBefore) {
  const std::string deep400 = [] {
    std::string p = "d";
    for (int i = 1; i < 400; ++i) p += "\\\\d";
    return p;
  }();
  struct Case {
    const char* why;
    std::vector<std::string> lines;  // key lines, each with time 1 unless it says otherwise
    std::vector<std::string> keys;   // every key of the file, depth first, with its time where it is not 1
    std::vector<int> warned;         // the lines warned about (the signature is line 1)
  };
  const std::vector<Case> cases = {
      {"a shared name in another case is the same key", {"[Ab\\\\B] 1", "[aB\\\\C] 1"}, {"Ab", "Ab\\B", "Ab\\C"}, {}},
      {"a name that merely starts the same is another key",
       {"[Ab\\\\C] 1", "[Abc\\\\D] 1", "[A\\\\E] 1"},
       {"A", "A\\E", "Ab", "Ab\\C", "Abc", "Abc\\D"},
       {}},
      {"the same path again", {"[A\\\\B] 1", "[A\\\\B] 7"}, {"A", "A\\B@7"}, {}},
      {"a shared path with an empty name after it", {"[A\\\\B] 1", "[A\\\\] 1", "[A\\\\B\\\\\\\\C] 1"}, {"A", "A\\B"},
       {3, 4}},
      {"a key line after a damaged one shares the last good line's names",
       {"[A\\\\B] 1", "[A\\\\B\\\\C] x", "[A\\\\B\\\\D] 1"},
       {"A", "A\\B", "A\\B\\D"},
       {3}},
      {"escaped names are read whole, shared or not",
       {"[A\\]x\\\\B] 1", "[A\\]x\\\\C] 1", "[Q\\x5cR] 1", "[Q\\\\S] 1"},
       {"A]x", "A]x\\B", "A]x\\C", "Q", "Q\\R", "Q\\S"},
       {}},
      {"names beyond ASCII", {"[\xC3\x84\\\\B] 1", "[\xC3\xA4\\\\C] 1"}, {"\xC3\x84", "\xC3\x84\\B", "\xC3\x84\\C"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    std::string text = "WINE REGISTRY Version 2\n";
    for (const std::string& line : c.lines) text += line + "\n";
    std::vector<std::wstring> warnings;
    WineRegFile f = Parse(text, &warnings);
    std::vector<int> warned;
    for (const auto& w : warnings) warned.push_back(std::stoi(WideToUtf8(w.substr(6, w.find(L": ") - 6))));
    std::vector<std::string> keys;
    std::vector<const Key*> stack{f.root.get()};
    while (!stack.empty()) {
      const Key* k = stack.back();
      stack.pop_back();
      if (k != f.root.get())
        keys.push_back(WideToUtf8(k->Path()) +
                       (k->modified == UnixToFileTime(1) ? "" : "@" + std::to_string(FileTimeToUnix(k->modified))));
      for (auto it = k->subkeys.rbegin(); it != k->subkeys.rend(); ++it) stack.push_back(it->get());
    }
    EXPECT_EQ(keys, c.keys);
    EXPECT_EQ(warned, c.warned);
  }
  // 400 levels, then three more below them (403), then 400 and a name of its own: the second line is kept.
  std::string text = "WINE REGISTRY Version 2\n[" + deep400 + "] 1\n[" + deep400;
  for (int i = 0; i < 113; ++i) text += "\\\\e";
  text += "] 1\n[" + deep400 + "\\\\f] 1\n";
  std::vector<std::wstring> warnings;
  WineRegFile f = Parse(text, &warnings);
  ASSERT_EQ(warnings.size(), 1u) << "400 and 113 more is beyond 512";
  EXPECT_EQ(warnings[0].rfind(L"t.reg:3: ", 0), 0u);
  const Key* k = f.root.get();
  for (int i = 0; i < 399; ++i) k = k->Find(L"d");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->subkeys.size(), 1u);
  ASSERT_NE(k->Find(L"d"), nullptr);
  EXPECT_NE(k->Find(L"d")->Find(L"f"), nullptr);
  EXPECT_EQ(k->Find(L"d")->Find(L"e"), nullptr);
}

TEST(WineRegFile, NotARegistryFileFailsWithFileLineAndWhy) {
  struct Case {
    std::string text;
    const char* where;
    const char* why;
  };
  const std::string body = "\n#arch=win64\n\n[Software] 1\n";
  const Case kCases[] = {
      {"", "system.reg:0: ", "empty"},
      {"REGEDIT4\n[x]\n", "system.reg:1: ", "no \"WINE REGISTRY Version 2\" line"},
      {"WINE REGISTRY Version 3" + body, "system.reg:1: ", "another version"},
      {"WINE REGISTRY Version 2\r;; x\r\r#arch=win64\r", "system.reg:1: ", "carriage return only"},
      {"\xEF\xBB\xBFWINE REGISTRY Version 2" + body, "system.reg:1: ", "UTF-8 byte-order mark"},
      {"\xFF\xFEW\0I\0N\0E\0"s, "system.reg:1: ", "UTF-16"},
      {"\x7f" "ELF\x02\x01\x01\0\0\0\0\n"s, "system.reg:1: ", "binary data"},
      {"WINE REGISTRY Version 2" + body + "\"v\"=hex:00\n\0\0\0\0"s, "system.reg:6: ", "binary data"},
  };
  for (const auto& c : kCases) {
    WineRegFile f;
    std::wstring error;
    EXPECT_FALSE(f.Parse(c.text, L"system.reg", nullptr, nullptr, &error)) << c.why;
    EXPECT_EQ(error.rfind(Utf8ToWide(c.where), 0), 0u) << WideToUtf8(error);
    EXPECT_NE(error.find(Utf8ToWide(c.why)), std::wstring::npos) << WideToUtf8(error);
  }
}

}  // namespace
}  // namespace mx::reg

namespace {

// A damaged line read under an explicit root key line ("[]") is written after that line again, not at the
// head of the file where a second load would take it for a value before any key.
TEST(WineRegFile, LinesKeptUnderTheRootKeyLineStayUnderIt) {
  const std::string text =
      "WINE REGISTRY Version 2\n"
      "\"early\"=\"x\"\n"
      "[] 1\n"
      "\"q\"=hex(b):01,00,00,00,00,00,\xcd" "0,00\\\n"
      "\"z\"=hex(ffff0011):\n";
  mx::reg::WineRegFile file;
  std::vector<std::wstring> warnings, again;
  std::wstring error;
  ASSERT_TRUE(file.Parse(text, L"user.reg", nullptr, &warnings, &error)) << mx::WideToUtf8(error);
  const std::string written = file.Format();
  mx::reg::WineRegFile reloaded;
  ASSERT_TRUE(reloaded.Parse(written, L"user.reg", nullptr, &again, &error)) << mx::WideToUtf8(error);
  EXPECT_EQ(again.size(), warnings.size()) << written;
  EXPECT_EQ(reloaded.Format(), written);
  EXPECT_LT(written.find("\"early\""), written.find("[] 1"));
  EXPECT_GT(written.find("\"q\"="), written.find("[] 1"));
}

}  // namespace
