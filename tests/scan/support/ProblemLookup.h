#pragma once
// Finding the problems a test expects among those a scan returned, by a text the test chooses:
//
//   const auto byName = mxtest::IndexProblems(problems, [](const CProblem& p) { return p.ValueName; });
//   const auto byView = mxtest::IndexProblems(problems, mxtest::KeyAndView);
//   int result = 0;
//   const auto scanned = mxtest::ScanIndexed<CFonts>(mxtest::KeyAndView, {}, &result);
#include <map>
#include <string>
#include <vector>

#include "scan/Problem.h"
#include "scan/support/CategoryTestUtil.h"

namespace mxtest {

// A later problem with the same text replaces an earlier one, so compare the sizes when that matters.
template <class Id>
std::map<std::wstring, CProblem> IndexProblems(const std::vector<CProblem>& problems, Id id) {
  std::map<std::wstring, CProblem> out;
  for (const CProblem& problem : problems) out.insert_or_assign(id(problem), problem);
  return out;
}

// Runs the category (ScanCategory) and indexes what it reported.
template <class Category, class Id>
std::map<std::wstring, CProblem> ScanIndexed(Id id, const ScanSettings& settings = {}, int* scanResult = nullptr) {
  return IndexProblems(ScanCategory<Category>(settings, scanResult), id);
}

// "<text>/<32BitEntry>": one entry per view.
inline std::wstring WithView(const std::wstring& text, int is32BitEntry) {
  return text + L"/" + std::to_wstring(is32BitEntry);
}
inline std::wstring KeyAndView(const CProblem& problem) { return WithView(problem.Key, problem.m_n32BitEntry); }
inline std::wstring ValueNameAndView(const CProblem& problem) {
  return WithView(problem.ValueName, problem.m_n32BitEntry);
}

}  // namespace mxtest
