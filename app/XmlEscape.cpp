#include "app/XmlEscape.h"

#include <array>
#include <cstdint>
#include <vector>

namespace {

struct Entity {
  const wchar_t* name;
  wchar_t code;
};

// The character entity references of HTML 4.01, plus "apos" which XML adds.
constexpr Entity kEntities[] = {
    {L"quot", 0x22}, {L"amp", 0x26}, {L"lt", 0x3C}, {L"gt", 0x3E}, {L"nbsp", 0xA0}, {L"iexcl", 0xA1},
    {L"cent", 0xA2}, {L"pound", 0xA3}, {L"curren", 0xA4}, {L"yen", 0xA5}, {L"brvbar", 0xA6}, {L"sect", 0xA7},
    {L"uml", 0xA8}, {L"copy", 0xA9}, {L"ordf", 0xAA}, {L"laquo", 0xAB}, {L"not", 0xAC}, {L"shy", 0xAD},
    {L"reg", 0xAE}, {L"macr", 0xAF}, {L"deg", 0xB0}, {L"plusmn", 0xB1}, {L"sup2", 0xB2}, {L"sup3", 0xB3},
    {L"acute", 0xB4}, {L"micro", 0xB5}, {L"para", 0xB6}, {L"middot", 0xB7}, {L"cedil", 0xB8}, {L"sup1", 0xB9},
    {L"ordm", 0xBA}, {L"raquo", 0xBB}, {L"frac14", 0xBC}, {L"frac12", 0xBD}, {L"frac34", 0xBE}, {L"iquest", 0xBF},
    {L"Agrave", 0xC0}, {L"Aacute", 0xC1}, {L"Acirc", 0xC2}, {L"Atilde", 0xC3}, {L"Auml", 0xC4}, {L"Aring", 0xC5},
    {L"AElig", 0xC6}, {L"Ccedil", 0xC7}, {L"Egrave", 0xC8}, {L"Eacute", 0xC9}, {L"Ecirc", 0xCA}, {L"Euml", 0xCB},
    {L"Igrave", 0xCC}, {L"Iacute", 0xCD}, {L"Icirc", 0xCE}, {L"Iuml", 0xCF}, {L"ETH", 0xD0}, {L"Ntilde", 0xD1},
    {L"Ograve", 0xD2}, {L"Oacute", 0xD3}, {L"Ocirc", 0xD4}, {L"Otilde", 0xD5}, {L"Ouml", 0xD6}, {L"times", 0xD7},
    {L"Oslash", 0xD8}, {L"Ugrave", 0xD9}, {L"Uacute", 0xDA}, {L"Ucirc", 0xDB}, {L"Uuml", 0xDC}, {L"Yacute", 0xDD},
    {L"THORN", 0xDE}, {L"szlig", 0xDF}, {L"agrave", 0xE0}, {L"aacute", 0xE1}, {L"acirc", 0xE2}, {L"atilde", 0xE3},
    {L"auml", 0xE4}, {L"aring", 0xE5}, {L"aelig", 0xE6}, {L"ccedil", 0xE7}, {L"egrave", 0xE8}, {L"eacute", 0xE9},
    {L"ecirc", 0xEA}, {L"euml", 0xEB}, {L"igrave", 0xEC}, {L"iacute", 0xED}, {L"icirc", 0xEE}, {L"iuml", 0xEF},
    {L"eth", 0xF0}, {L"ntilde", 0xF1}, {L"ograve", 0xF2}, {L"oacute", 0xF3}, {L"ocirc", 0xF4}, {L"otilde", 0xF5},
    {L"ouml", 0xF6}, {L"divide", 0xF7}, {L"oslash", 0xF8}, {L"ugrave", 0xF9}, {L"uacute", 0xFA}, {L"ucirc", 0xFB},
    {L"uuml", 0xFC}, {L"yacute", 0xFD}, {L"thorn", 0xFE}, {L"yuml", 0xFF}, {L"OElig", 0x152}, {L"oelig", 0x153},
    {L"Scaron", 0x160}, {L"scaron", 0x161}, {L"Yuml", 0x178}, {L"fnof", 0x192}, {L"circ", 0x2C6},
    {L"tilde", 0x2DC}, {L"Alpha", 0x391}, {L"Beta", 0x392}, {L"Gamma", 0x393}, {L"Delta", 0x394},
    {L"Epsilon", 0x395}, {L"Zeta", 0x396}, {L"Eta", 0x397}, {L"Theta", 0x398}, {L"Iota", 0x399}, {L"Kappa", 0x39A},
    {L"Lambda", 0x39B}, {L"Mu", 0x39C}, {L"Nu", 0x39D}, {L"Xi", 0x39E}, {L"Omicron", 0x39F}, {L"Pi", 0x3A0},
    {L"Rho", 0x3A1}, {L"Sigma", 0x3A3}, {L"Tau", 0x3A4}, {L"Upsilon", 0x3A5}, {L"Phi", 0x3A6}, {L"Chi", 0x3A7},
    {L"Psi", 0x3A8}, {L"Omega", 0x3A9}, {L"alpha", 0x3B1}, {L"beta", 0x3B2}, {L"gamma", 0x3B3}, {L"delta", 0x3B4},
    {L"epsilon", 0x3B5}, {L"zeta", 0x3B6}, {L"eta", 0x3B7}, {L"theta", 0x3B8}, {L"iota", 0x3B9}, {L"kappa", 0x3BA},
    {L"lambda", 0x3BB}, {L"mu", 0x3BC}, {L"nu", 0x3BD}, {L"xi", 0x3BE}, {L"omicron", 0x3BF}, {L"pi", 0x3C0},
    {L"rho", 0x3C1}, {L"sigmaf", 0x3C2}, {L"sigma", 0x3C3}, {L"tau", 0x3C4}, {L"upsilon", 0x3C5}, {L"phi", 0x3C6},
    {L"chi", 0x3C7}, {L"psi", 0x3C8}, {L"omega", 0x3C9}, {L"thetasym", 0x3D1}, {L"upsih", 0x3D2}, {L"piv", 0x3D6},
    {L"ensp", 0x2002}, {L"emsp", 0x2003}, {L"thinsp", 0x2009}, {L"zwnj", 0x200C}, {L"zwj", 0x200D},
    {L"lrm", 0x200E}, {L"rlm", 0x200F}, {L"ndash", 0x2013}, {L"mdash", 0x2014}, {L"lsquo", 0x2018},
    {L"rsquo", 0x2019}, {L"sbquo", 0x201A}, {L"ldquo", 0x201C}, {L"rdquo", 0x201D}, {L"bdquo", 0x201E},
    {L"dagger", 0x2020}, {L"Dagger", 0x2021}, {L"bull", 0x2022}, {L"hellip", 0x2026}, {L"permil", 0x2030},
    {L"prime", 0x2032}, {L"Prime", 0x2033}, {L"lsaquo", 0x2039}, {L"rsaquo", 0x203A}, {L"oline", 0x203E},
    {L"frasl", 0x2044}, {L"euro", 0x20AC}, {L"image", 0x2111}, {L"weierp", 0x2118}, {L"real", 0x211C},
    {L"trade", 0x2122}, {L"alefsym", 0x2135}, {L"larr", 0x2190}, {L"uarr", 0x2191}, {L"rarr", 0x2192},
    {L"darr", 0x2193}, {L"harr", 0x2194}, {L"crarr", 0x21B5}, {L"lArr", 0x21D0}, {L"uArr", 0x21D1},
    {L"rArr", 0x21D2}, {L"dArr", 0x21D3}, {L"hArr", 0x21D4}, {L"forall", 0x2200}, {L"part", 0x2202},
    {L"exist", 0x2203}, {L"empty", 0x2205}, {L"nabla", 0x2207}, {L"isin", 0x2208}, {L"notin", 0x2209},
    {L"ni", 0x220B}, {L"prod", 0x220F}, {L"sum", 0x2211}, {L"minus", 0x2212}, {L"lowast", 0x2217},
    {L"radic", 0x221A}, {L"prop", 0x221D}, {L"infin", 0x221E}, {L"ang", 0x2220}, {L"and", 0x2227}, {L"or", 0x2228},
    {L"cap", 0x2229}, {L"cup", 0x222A}, {L"int", 0x222B}, {L"there4", 0x2234}, {L"sim", 0x223C}, {L"cong", 0x2245},
    {L"asymp", 0x2248}, {L"ne", 0x2260}, {L"equiv", 0x2261}, {L"le", 0x2264}, {L"ge", 0x2265}, {L"sub", 0x2282},
    {L"sup", 0x2283}, {L"nsub", 0x2284}, {L"sube", 0x2286}, {L"supe", 0x2287}, {L"oplus", 0x2295},
    {L"otimes", 0x2297}, {L"perp", 0x22A5}, {L"sdot", 0x22C5}, {L"lceil", 0x2308}, {L"rceil", 0x2309},
    {L"lfloor", 0x230A}, {L"rfloor", 0x230B}, {L"lang", 0x2329}, {L"rang", 0x232A}, {L"loz", 0x25CA},
    {L"spades", 0x2660}, {L"clubs", 0x2663}, {L"hearts", 0x2665}, {L"diams", 0x2666},
    {L"apos", 0x27},
};

constexpr size_t kBucketCount = 130;

size_t BucketOf(std::wstring_view name) {
  size_t sum = 0;
  for (wchar_t c : name) sum += static_cast<size_t>(c);
  return sum % kBucketCount;
}

using Buckets = std::array<std::vector<const Entity*>, kBucketCount>;

const Buckets& EntityBuckets() {
  static const Buckets buckets = [] {
    Buckets b;
    for (const Entity& e : kEntities) b[BucketOf(e.name)].push_back(&e);
    return b;
  }();
  return buckets;
}

// Longest reference body between "&" and ";" that can name anything.
constexpr size_t kMaxReferenceBody = 9;

int DigitValue(wchar_t c, int base) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (base == 16 && c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (base == 16 && c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Appends the character of a numeric reference body ("#65", "#x42"); false when it names none.
bool AppendNumeric(std::wstring_view body, std::wstring& out) {
  size_t i = 1;
  int base = 10;
  if (i < body.size() && (body[i] == L'x' || body[i] == L'X')) {
    base = 16;
    ++i;
  }
  std::uint64_t value = 0;  // at most nine digits: no overflow
  for (; i < body.size(); ++i) {
    int d = DigitValue(body[i], base);
    if (d < 0) break;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
  }
  // Replies are untrusted: a number that is no Unicode scalar value stays as text.
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  if (value > 0xFFFF) {
    value -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (value >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (value & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(value));
  }
  return true;
}

}  // namespace

wchar_t LookupXmlEntity(std::wstring_view name) {
  for (const Entity* e : EntityBuckets()[BucketOf(name)]) {
    if (name == e->name) return e->code;
  }
  return 0;
}

std::wstring EscapeXmlText(std::wstring_view text, bool attributeMode) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    switch (c) {
      case L'<': out += L"&lt;"; break;
      case L'&': out += L"&amp;"; break;
      case L'>': out += L"&gt;"; break;
      case L'"':
        if (attributeMode) out += L"&quot;"; else out.push_back(c);
        break;
      case L'\'':
        if (attributeMode) out += L"&apos;"; else out.push_back(c);
        break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::wstring UnescapeXmlText(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    wchar_t c = text[i];
    if (c != L'&') {
      out.push_back(c);
      ++i;
      continue;
    }
    size_t semicolon = std::wstring_view::npos;
    for (size_t j = i + 1; j < text.size() && j <= i + 1 + kMaxReferenceBody; ++j) {
      if (text[j] == L';') {
        semicolon = j;
        break;
      }
      if (static_cast<std::uint32_t>(text[j]) > 127) break;
    }
    if (semicolon != std::wstring_view::npos && semicolon > i + 1) {
      std::wstring_view body = text.substr(i + 1, semicolon - i - 1);
      bool decoded = false;
      if (body[0] == L'#') {
        decoded = AppendNumeric(body, out);
      } else if (wchar_t named = LookupXmlEntity(body)) {
        out.push_back(named);
        decoded = true;
      }
      if (decoded) {
        i = semicolon + 1;
        continue;
      }
    }
    out.push_back(c);
    ++i;
  }
  return out;
}

