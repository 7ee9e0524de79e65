#pragma once
// Every user-visible text comes from the current language file, section "RESOURCESTRING", through one
// process-wide reader set up by the first lookup. A language change restarts the program, so the file is
// fixed for the life of the process.
#include <string>
#include <vector>

inline constexpr const wchar_t* kResourceSection = L"RESOURCESTRING";

// The text of key in section (empty: "RESOURCESTRING"); "" when the key or the file is missing. An empty key
// is a programming error: an error box says so and defaultText is returned.
std::wstring GetLocalizedString(const std::wstring& key, const std::wstring& section = {},
                                const wchar_t* defaultText = L"");
// Replaces every key of the array by its text, keeping length and order; returns the count.
int GetLocalizedStrings(std::vector<std::wstring>& keys, const std::wstring& section = {},
                        const wchar_t* defaultText = L"");

// Points the language reader at a file; the first GetLocalizedString does this with the application's
// language file path when nobody did before.
void InitLanguageReader(const std::wstring& path);
// Forgets the reader's file so the next lookup sets it up again (tests, and nothing else).
void ResetLanguageReader();

// The program title of the program's own string resources (0xE000).
std::wstring GetAppTitle();
