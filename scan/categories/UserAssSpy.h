#pragma once
// Reads the shell's UserAssist launch records of the current user: one value per started program or shortcut,
// its name scrambled by ROT13 unless the shell was told not to. Each value comes back as its stored name and
// its plain name.
#include <string>
#include <vector>

inline constexpr const wchar_t* kUserAssistSettingsKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\Settings";
inline constexpr const wchar_t* kUserAssistNoEncryptValue = L"NoEncrypt";
inline constexpr const wchar_t* kUserAssistCountKeyA =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\{5E6AB780-7743-11CF-A12B-00AA004AE837}\\Count";
inline constexpr const wchar_t* kUserAssistCountKeyB =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\UserAssist\\{75048700-EF1F-11D0-9888-006097DEACF9}\\Count";

struct ValuePair {
  std::wstring stored;   // the value name as stored
  std::wstring decoded;  // the value name in plain text
  bool operator==(const ValuePair&) const = default;
};

class CUserAssSpy {
 public:
  virtual ~CUserAssSpy() = default;

  // Empties target and fills it with one pair per readable value of HKEY_CURRENT_USER\countKeyPath.
  void ReadKey(const std::wstring& countKeyPath, std::vector<ValuePair>& target) const;

  int m_bNamesEncoded = 1;
  std::vector<ValuePair> m_arrFirst;   // the {5E6AB780-...} key
  std::vector<ValuePair> m_arrSecond;  // the {75048700-...} key
};

// Whether value names are stored ROT13-encoded: true unless NoEncrypt is a DWORD with a non-zero value.
bool IsUserAssistEncoded();
// Letters move 13 places within a-z and within A-Z; everything else stays. Applying it twice restores the text.
void Rot13InPlace(std::wstring& text);
// Both lists are emptied, then filled with the pairs of the first (A) and second (B) Count key whose plain
// name begins with prefix (case-sensitive).
void CollectUserAssistEntries(const std::wstring& prefix, std::vector<ValuePair>& listA, std::vector<ValuePair>& listB);
