// Fuzz driver for the XML document: random texts built from XML's own tokens are parsed, walked, read
// and edited. A crash or a sanitizer report is the failure; so is an edit of a well-formed document
// whose index differs from a fresh parse of the edited text.
//   xml_fuzz [--iterations N] [--seconds S] [--seed N] [files to replay...]
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "app/DllResultData.h"
#include "app/XmlDocument.h"

namespace {

const wchar_t* const kTokens[] = {
    L"<", L">", L"</", L"/>", L"<a>", L"</a>", L"<b x='1' y=\"2\">", L"</b>", L"<c/>", L"<![CDATA[", L"]]>",
    L"<!--", L"-->", L"<?", L"?>", L"<!DOCTYPE r [", L"]>", L"<!ENTITY e 'v'>", L"<!X>", L"<!-", L"<![",
    L"&amp;", L"&#x1F600;", L"&#xD800;", L"&#1114112;", L"&eacute;", L"&", L";", L"'", L"\"", L"=", L" ",
    L"\r\n", L"<item>", L"</item>", L"<filename>", L"</filename>", L"<order>", L"</order>", L"x=1/",
};
constexpr size_t kTokenCount = sizeof(kTokens) / sizeof(kTokens[0]);

const char* const kSeeds[] = {
    "<a><b>x</b></a>",
    "<r><g n='1'><i>a</i><i>b</i></g><g n=\"2\"/></r>",
    "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e \"a>b\">]><r><![CDATA[<]]><!--c--></r>",
    "<a><b>x</a></b><c y=1/>",
    "<reply><group grouporder=\"1\"><b32><item><filename>q.dll</filename><order>2</order></item></b32></group></reply>",
};

// Bytes below 0x80 are characters; the others pick a token or an awkward UTF-16 unit.
std::wstring TextFromBytes(const std::vector<std::uint8_t>& bytes) {
  std::wstring text;
  for (std::uint8_t b : bytes) {
    if (b < 0x80) {
      text.push_back(static_cast<wchar_t>(b));
    } else if (b < 0x80 + kTokenCount) {
      text += kTokens[b - 0x80];
    } else if (b >= 0xF0) {
      static const wchar_t kUnits[] = {0xD83D, 0xDE00, 0xFFFF, 0xFEFF, 0x00E9, 0x0000, 0x2028, 0xDC00};
      text.push_back(kUnits[b & 7]);
    }
  }
  return text;
}

void DumpLevel(CXmlDocument& doc, std::wstring& out, int depth) {
  while (doc.FindElement(nullptr)) {
    out += doc.GetNodeName() + L"{" + doc.GetElementText() + L"|" + doc.GetAttribute(L"x") + L"}(";
    if (depth < 200) {  // the walk recurses; the parser itself never does
      doc.EnterElement();
      DumpLevel(doc, out, depth + 1);
      doc.LeaveElement();
    }
    out += L")";
  }
}

std::wstring Dump(CXmlDocument& doc) {
  doc.Rewind();
  std::wstring out;
  DumpLevel(doc, out, 0);
  return out;
}

int failures = 0;
long compared = 0;  // edited well-formed documents checked against a fresh parse

void FuzzOne(const std::vector<std::uint8_t>& bytes) {
  const std::wstring text = TextFromBytes(bytes);
  CXmlDocument doc;
  const BOOL wellFormed = doc.SetDocText(text);
  Dump(doc);
  for (int p = 0; p < 64; ++p) doc.GetElementTextAt(p);
  DLL_RESULT_DATA_EX record;
  doc.Rewind();
  while (doc.FindChildElement(L"item")) {
    doc.EnterElement();
    ReadDllResultItem(doc, record);
    doc.LeaveElement();
  }

  // Edits steered by the input's first bytes.
  doc.Rewind();
  std::uint32_t steer = 0;
  for (size_t i = 0; i < bytes.size() && i < 4; ++i) steer = steer * 251 + bytes[i];
  for (int step = 0; step < 6; ++step, steer /= 5) {
    switch (steer % 5) {
      case 0: doc.FindElement(nullptr); break;
      case 1: doc.EnterElement(); break;
      case 2: doc.FindChildElement(nullptr); break;
      case 3: doc.AddElement(L"n", step % 2 ? L"v<&>" : nullptr, step % 3 ? CXmlDocument::kAddAsChild : 0); break;
      case 4: doc.SetAttribute(doc.GetCurrentPosition(), L"x", step); break;
    }
  }
  doc.AddElement(L"m", L"w", CXmlDocument::kAddAsChild);
  doc.AddElement(L"k", nullptr, CXmlDocument::kNoLineBreaks);
  if (wellFormed && doc.IsDocumentWellFormed()) {
    ++compared;
    CXmlDocument parsed(doc.GetDocText());
    if (Dump(doc) != Dump(parsed)) {
      ++failures;
      std::fprintf(stderr, "index differs from a fresh parse after edits; input bytes:");
      for (std::uint8_t b : bytes) std::fprintf(stderr, " %02x", b);
      std::fprintf(stderr, "\n");
    }
  }
}

// A random well-formed document: elements with attributes, text with references, CDATA, comments and
// white space between them.
void RandomElement(std::mt19937& rng, std::wstring& out, int depth) {
  static const wchar_t* const kNames[] = {L"a", L"b", L"item", L"ns:x.y-z", L"_q"};
  static const wchar_t* const kTexts[] = {L"t", L"&amp;&lt;", L" ", L"\r\n  ", L"<![CDATA[<x>]]>", L"<!--c-->",
                                          L"<?p i?>", L"&#x1F600;", L"v w"};
  const wchar_t* name = kNames[rng() % 5];
  out += L"<";
  out += name;
  if (rng() % 3 == 0) out += L" x='1'";
  if (rng() % 4 == 0) out += L" y = \"a>b\" ";
  if (depth > 6 || rng() % 4 == 0) {
    out += L"/>";
    return;
  }
  out += L">";
  int children = static_cast<int>(rng() % 4);
  for (int i = 0; i < children; ++i) {
    if (rng() % 2) out += kTexts[rng() % 9];
    RandomElement(rng, out, depth + 1);
  }
  if (rng() % 2) out += kTexts[rng() % 9];
  out += L"</";
  out += name;
  out += L">";
}

// Random walks and edits on a well-formed document; its index must always be what a parse builds.
void FuzzEdits(std::mt19937& rng) {
  std::wstring text = rng() % 2 ? L"<?xml version='1.0'?>\r\n" : L"";
  RandomElement(rng, text, 0);
  if (rng() % 2) text += L"\r\n<!--end-->\r\n";
  CXmlDocument doc(text);
  if (!doc.IsDocumentWellFormed()) {
    ++failures;
    std::fprintf(stderr, "generated document not well formed: %s\n", std::string(text.begin(), text.end()).c_str());
    return;
  }
  for (int step = 0; step < 12; ++step) {
    switch (rng() % 7) {
      case 0: doc.FindElement(nullptr); break;
      case 1: doc.EnterElement(); break;
      case 2: doc.LeaveElement(); break;
      case 3: doc.FindChildElement(nullptr); break;
      case 4:
        if (doc.GetParentPosition() != 0) {  // a second top-level element would not be well formed
          doc.AddElement(L"n", rng() % 2 ? L"v<&>" : nullptr, static_cast<int>(rng() % 2) * CXmlDocument::kNoLineBreaks);
        }
        break;
      case 5: doc.AddElement(L"m", rng() % 2 ? L"w" : nullptr, CXmlDocument::kAddAsChild | static_cast<int>(rng() % 3)); break;
      case 6: doc.SetAttribute(doc.GetCurrentPosition(), rng() % 2 ? L"x" : L"z", L"'\"&"); break;
    }
  }
  ++compared;
  CXmlDocument parsed(doc.GetDocText());
  if (!doc.IsDocumentWellFormed() || !parsed.IsDocumentWellFormed() || Dump(doc) != Dump(parsed)) {
    ++failures;
    std::fprintf(stderr, "edits broke the index; from:\n%s\nto:\n%s\n", std::string(text.begin(), text.end()).c_str(),
                 std::string(doc.GetDocText().begin(), doc.GetDocText().end()).c_str());
  }
}

std::vector<std::uint8_t> Mutate(std::mt19937& rng, std::vector<std::uint8_t> input) {
  std::uniform_int_distribution<int> byte(0, 255);
  int rounds = 1 + static_cast<int>(rng() % 8);
  for (int r = 0; r < rounds; ++r) {
    size_t size = input.size();
    switch (rng() % 4) {
      case 0:
        if (size) input[rng() % size] = static_cast<std::uint8_t>(byte(rng));
        break;
      case 1:
        input.insert(input.begin() + static_cast<long>(size ? rng() % (size + 1) : 0), static_cast<std::uint8_t>(byte(rng)));
        break;
      case 2:
        if (size) input.erase(input.begin() + static_cast<long>(rng() % size));
        break;
      case 3: {  // repeat a slice, which builds deep nesting and long runs
        if (!size || size > 4096) break;
        size_t from = rng() % size;
        size_t length = 1 + rng() % std::min<size_t>(size - from, 64);
        std::vector<std::uint8_t> slice(input.begin() + static_cast<long>(from),
                                        input.begin() + static_cast<long>(from + length));
        size_t times = 1 + rng() % 32;
        for (size_t t = 0; t < times; ++t) input.insert(input.begin() + static_cast<long>(from), slice.begin(), slice.end());
        break;
      }
    }
  }
  return input;
}

}  // namespace

int main(int argc, char** argv) {
  long iterations = 10000;
  double seconds = 0;
  unsigned seed = 1;
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--iterations") && i + 1 < argc) {
      iterations = std::atol(argv[++i]);
    } else if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) {
      seconds = std::atof(argv[++i]);
    } else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc) {
      seed = static_cast<unsigned>(std::atol(argv[++i]));
    } else {
      files.push_back(argv[i]);
    }
  }
  if (!files.empty()) {
    for (const char* file : files) {
      std::ifstream in(file, std::ios::binary);
      FuzzOne(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
    }
    return failures ? 1 : 0;
  }

  std::mt19937 rng(seed);
  std::vector<std::vector<std::uint8_t>> corpus;
  for (const char* s : kSeeds) corpus.emplace_back(s, s + std::strlen(s));
  const auto begin = std::chrono::steady_clock::now();
  long done = 0;
  for (; seconds > 0 || done < iterations; ++done) {
    if (seconds > 0 && std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count() > seconds) break;
    std::vector<std::uint8_t> input = Mutate(rng, corpus[rng() % corpus.size()]);
    FuzzOne(input);
    FuzzEdits(rng);
    if (input.size() < 8192 && corpus.size() < 512 && rng() % 16 == 0) corpus.push_back(std::move(input));
  }
  std::printf("xml_fuzz: %ld inputs, %ld edits compared with a fresh parse, %d failures\n", done, compared, failures);
  return failures ? 1 : 0;
}
