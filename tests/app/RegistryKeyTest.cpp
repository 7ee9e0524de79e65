#include "app/RegistryKey.h"

#include <gtest/gtest.h>

#include "AppTestPrefix.h"

namespace {

constexpr const wchar_t* kKey = L"Software\\Qzx\\Test";

DWORD StoredSize(const wchar_t* key, const wchar_t* value, DWORD* type = nullptr) {
  HKEY h = nullptr;
  if (win::RegOpenKeyEx(HKEY_CURRENT_USER, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return 0xFFFFFFFF;
  DWORD t = 0, cb = 0;
  const LONG rc = win::RegQueryValueEx(h, value, nullptr, &t, nullptr, &cb);
  win::RegCloseKey(h);
  if (type) *type = t;
  return rc == ERROR_SUCCESS ? cb : 0xFFFFFFFF;
}

bool KeyExists(const wchar_t* key) { return apptest::KeyExists(HKEY_CURRENT_USER, key); }

TEST(RegistryKey, ReadOnlyOpenNeverCreatesButReadWriteDoes) {
  mxtest::TestPrefix prefix;
  CRegistryKey reader;
  reader.m_access = KEY_READ;
  EXPECT_FALSE(reader.Open(HKEY_CURRENT_USER, TRUE, kKey));
  EXPECT_FALSE(KeyExists(kKey));

  CRegistryKey writer;
  EXPECT_TRUE(writer.Open(HKEY_CURRENT_USER, TRUE, kKey));
  EXPECT_TRUE(KeyExists(kKey));
}

TEST(RegistryKey, StringsKeepTheirTerminatorAndReadTolerantly) {
  mxtest::TestPrefix prefix;
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Qzx\Test]
"Empty"=""
"Bin"=hex:61,00,62,00
"Odd"=hex(1):61,00,62,00,63,00,00
"NoNull"=hex(1):61,00,62,00
"Four"=hex:04,00,00,00
"Dword"=dword:00000007
)");
  CRegistryKey key;
  ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, FALSE, kKey));
  ASSERT_TRUE(key.WriteString(L"Three", L"abc"));
  EXPECT_EQ(StoredSize(kKey, L"Three"), 8u);

  std::wstring text = L"unchanged";
  EXPECT_FALSE(key.ReadString(L"Bin", text));
  EXPECT_EQ(text, L"unchanged");
  EXPECT_TRUE(key.ReadString(L"Empty", text));
  EXPECT_EQ(text, L"");
  EXPECT_TRUE(key.ReadString(L"Odd", text));
  EXPECT_EQ(text, L"abc");
  EXPECT_TRUE(key.ReadString(L"NoNull", text));
  EXPECT_EQ(text, L"ab");

  DWORD value = 0;
  EXPECT_FALSE(key.ReadDWORD(L"Four", value));
  EXPECT_TRUE(key.ReadDWORD(L"Dword", value));
  EXPECT_EQ(value, 7u);
  ASSERT_TRUE(key.WriteDWORD(9, L"New"));
  DWORD type = 0;
  EXPECT_EQ(StoredSize(kKey, L"New", &type), 4u);
  EXPECT_EQ(type, REG_DWORD);
}

TEST(RegistryKey, ValueNamesOfAKeyWithAndWithoutValues) {
  mxtest::TestPrefix prefix;
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Qzx\Test\Empty]
[HKEY_CURRENT_USER\Software\Qzx\Test\Two]
"a"="1"
"b"=dword:00000002
)");
  CRegistryKey key;
  ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, FALSE, kKey));
  std::vector<std::wstring> names{L"stale"};
  EXPECT_TRUE(key.GetValueNames(L"Empty", names));
  EXPECT_TRUE(names.empty());
  EXPECT_TRUE(key.GetValueNames(L"Two", names));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_FALSE(key.GetValueNames(L"Missing", names));
  EXPECT_TRUE(UserRegValueExists(L"Software\\Qzx\\Test\\Two", L"b"));
  EXPECT_FALSE(UserRegValueExists(L"Software\\Qzx\\Test\\Two", L"c"));
}

}  // namespace
